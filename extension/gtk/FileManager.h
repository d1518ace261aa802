#pragma once

// The one place where the three file managers differ in name: each adapter is this folder's
// sources built with one of QUORVANE_NEMO, QUORVANE_CAJA or QUORVANE_NAUTILUS defined.

#include <glib-object.h>
#include <gmodule.h>

#if defined(QUORVANE_NEMO)
#include <libnemo-extension/nemo-file-info.h>
#include <libnemo-extension/nemo-menu-item.h>
#include <libnemo-extension/nemo-menu-provider.h>
#define QV_FM(name) nemo_##name
#define QV_FM_TYPE_MENU_PROVIDER NEMO_TYPE_MENU_PROVIDER
#define QV_FM_TYPE_FILE_INFO NEMO_TYPE_FILE_INFO
#define QV_FM_NAME "Nemo"
using FmMenuProvider = NemoMenuProvider;
using FmMenuProviderInterface = NemoMenuProviderInterface;
using FmFileInfo = NemoFileInfo;
using FmFileInfoInterface = NemoFileInfoInterface;
using FmMenu = NemoMenu;
using FmMenuItem = NemoMenuItem;
#define QV_FM_HAS_WINDOW 1
#elif defined(QUORVANE_CAJA)
#include <libcaja-extension/caja-file-info.h>
#include <libcaja-extension/caja-menu-item.h>
#include <libcaja-extension/caja-menu-provider.h>
#define QV_FM(name) caja_##name
#define QV_FM_TYPE_MENU_PROVIDER CAJA_TYPE_MENU_PROVIDER
#define QV_FM_TYPE_FILE_INFO CAJA_TYPE_FILE_INFO
#define QV_FM_NAME "Caja"
using FmMenuProvider = CajaMenuProvider;
using FmMenuProviderInterface = CajaMenuProviderIface;
using FmFileInfo = CajaFileInfo;
using FmFileInfoInterface = CajaFileInfoIface;
using FmMenu = CajaMenu;
using FmMenuItem = CajaMenuItem;
#define QV_FM_HAS_WINDOW 1
#elif defined(QUORVANE_NAUTILUS)
#include <gio/gio.h>
// Its module functions are declared without C linkage; what it includes is in already.
extern "C" {
#include <nautilus-extension.h>
}
#define QV_FM(name) nautilus_##name
#define QV_FM_TYPE_MENU_PROVIDER NAUTILUS_TYPE_MENU_PROVIDER
#define QV_FM_TYPE_FILE_INFO NAUTILUS_TYPE_FILE_INFO
#define QV_FM_NAME "Nautilus"
using FmMenuProvider = NautilusMenuProvider;
using FmMenuProviderInterface = NautilusMenuProviderInterface;
using FmFileInfo = NautilusFileInfo;
using FmFileInfoInterface = NautilusFileInfoInterface;
using FmMenu = NautilusMenu;
using FmMenuItem = NautilusMenuItem;
#define QV_FM_HAS_WINDOW 0
#else
#error "Define QUORVANE_NEMO, QUORVANE_CAJA or QUORVANE_NAUTILUS"
#endif
