#include "app/WindowRequests.h"

#include "app/About.h"
#include "app/RtfHelp.h"
#include "editor/ErrorHandler.h"
#include "editor/Quorvcfg.h"

namespace quorvane {

void openWindowsOnRequest(TForm1& form) {
    QObject::connect(&form, &TForm1::helpRequested, &form,
                     guard([] { THlp::open(THlp::helpFilePath()); }));
    QObject::connect(&form, &TForm1::aboutRequested, &form, guard([] { TAboutBox::open(); }));
}

} // namespace quorvane
