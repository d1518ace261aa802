// A copy of the program reduced to its single-instance guard, for starting many at once. It
// claims the instance when a line arrives on standard input, says "first" or "second", and the
// first then waits to be asked to come forward, says "activated" and ends.

#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::string go;
    std::getline(std::cin, go);
    quorvane::SingleInstance guard(quorvane::SingleInstance::defaultDirectory());
    if (!guard.claim()) {
        std::puts("second");
        return 0;
    }
    std::puts("first");
    std::fflush(stdout);
    QObject::connect(&guard, &quorvane::SingleInstance::activationRequested, &application, [] {
        std::puts("activated");
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
