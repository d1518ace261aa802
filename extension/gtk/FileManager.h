#pragma once

// The one place where the file managers of the GTK family differ in name: each adapter is this
// folder's sources built with one of QUORVANE_NEMO, QUORVANE_CAJA, QUORVANE_NAUTILUS or
// QUORVANE_THUNAR defined.

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
#define QV_FM_FILE_ITEMS get_file_items
#define QV_FM_BACKGROUND_ITEMS get_background_items
#define QV_FM_SET_SUBMENU nemo_menu_item_set_submenu
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
#define QV_FM_FILE_ITEMS get_file_items
#define QV_FM_BACKGROUND_ITEMS get_background_items
#define QV_FM_SET_SUBMENU caja_menu_item_set_submenu
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
#define QV_FM_FILE_ITEMS get_file_items
#define QV_FM_BACKGROUND_ITEMS get_background_items
#define QV_FM_SET_SUBMENU nautilus_menu_item_set_submenu
#elif defined(QUORVANE_THUNAR)
#include <gtk/gtk.h>
// Some of its headers declare their functions without C linkage; what they include is in already.
extern "C" {
#include <thunarx/thunarx.h>
}
#define QV_FM(name) thunarx_##name
#define QV_FM_TYPE_MENU_PROVIDER THUNARX_TYPE_MENU_PROVIDER
#define QV_FM_TYPE_FILE_INFO THUNARX_TYPE_FILE_INFO
#define QV_FM_NAME "Thunar"
using FmMenuProvider = ThunarxMenuProvider;
using FmMenuProviderInterface = ThunarxMenuProviderIface;
using FmFileInfo = ThunarxFileInfo;
using FmFileInfoInterface = ThunarxFileInfoIface;
using FmMenu = ThunarxMenu;
using FmMenuItem = ThunarxMenuItem;
#define QV_FM_HAS_WINDOW 1
// Thunar asks for "menu items", and xfdesktop asks the same provider for its icons' menus; the
// background of a folder is its "folder".
#define QV_FM_FILE_ITEMS get_file_menu_items
#define QV_FM_BACKGROUND_ITEMS get_folder_menu_items
#define QV_FM_SET_SUBMENU thunarx_menu_item_set_menu
#else
#error "Define QUORVANE_NEMO, QUORVANE_CAJA, QUORVANE_NAUTILUS or QUORVANE_THUNAR"
#endif
