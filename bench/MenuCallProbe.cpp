// Preloaded into the file managers by right_click_bench: the processor time of the one call in
// which the plug-in builds its part of the menu, appended as nanoseconds, one line a call, to the
// file named by QUORVANE_MENU_CALL_LOG. Everything is looked up at the call, so the processes
// that never make it (the session bus) load the probe without effect.
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

long long threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void record(long long nanoseconds) {
    const char* log = getenv("QUORVANE_MENU_CALL_LOG");
    if (!log)
        return;
    const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string line = std::to_string(nanoseconds) + "\n";
    (void)!write(fd, line.data(), line.size());
    close(fd);
}

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

// Thunar asks every menu provider in turn; only this plug-in's answer is timed.
__attribute__((visibility("default"))) void*
thunarx_menu_provider_get_file_menu_items(void* provider, void* window, void* files) {
    using Call = void* (*)(void*, void*, void*);
    static const Call call = next<Call>("thunarx_menu_provider_get_file_menu_items");
    using TypeName = const char* (*)(void*);
    static const auto typeName =
        reinterpret_cast<TypeName>(dlsym(RTLD_DEFAULT, "g_type_name_from_instance"));
    const long long before = threadTime();
    void* items = call(provider, window, files);
    const long long after = threadTime();
    if (typeName && std::string(typeName(provider)) == "QuorvaneMenuProvider")
        record(after - before);
    return items;
}

// Dolphin's file-item actions, all plug-ins at once: the sessions without this plug-in give the
// rest. KFileItemActions::addActionsTo(QMenu*, MenuActionSources, const QList<QAction*>&,
// const QStringList&); the flags are an int passed by value.
__attribute__((visibility("default"))) void
_ZN16KFileItemActions12addActionsToEP5QMenu6QFlagsINS_16MenuActionSourceEERK5QListIP7QActionERK11QStringList(
    void* actions, void* menu, int sources, const void* additional, const void* exclude) {
    using Call = void (*)(void*, void*, int, const void*, const void*);
    static const Call call = next<Call>(
        "_ZN16KFileItemActions12addActionsToEP5QMenu6QFlagsINS_16MenuActionSourceEERK5QListIP7QAct"
        "ionERK11QStringList");
    const long long before = threadTime();
    call(actions, menu, sources, additional, exclude);
    record(threadTime() - before);
}
}
