#pragma once

#include <QApplication>

namespace quorvane {

// The application object. Handlers catch their own failures (see guarded()); this is the net for
// one that escapes into the event loop, so that it is shown and the program goes on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace quorvane
