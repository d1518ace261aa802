#include "settings/FirstRun.h"

#include "menu/Catalog.h"
#include "platform/InstallLayout.h"
#include "settings/Messages.h"
#include "settings/Presets.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane {

Installer Installer::host() {
    const InstallLayout layout = installLayout(quorvane::programDirectory());
    if (layout.helperDirectory == layout.dataDirectory)
        return {platformFamily(), layout.dataDirectory, pathSeparator(), &runCommand};
    // Installed, the stand-in lies apart from the program, where no PATH search finds it: the
    // command names it with its folder, quoted as the platform reads a program name with blanks.
    auto run = [helpers = layout.helperDirectory](std::string_view commandLine, int showState) {
        const CommandLine command = splitProgramName(commandLine);
        return runCommand('"' + helpers + command.program + "\" " + command.arguments, showState);
    };
    return {platformFamily(), layout.dataDirectory, pathSeparator(), run};
}

std::string installerCommand(const Installer& installer) {
    const std::string_view prefix =
        installer.family == PlatformFamily::WindowsNT
            ? "rundll32.exe syssetup.dll,InstallHinfSection DefaultInstall 132 "
            : "rundll32.exe setupx.dll,InstallHinfSection DefaultInstall 132 ";
    // The program directory already ends with a separator, so the path holds two in a row;
    // both hosts accept that.
    return std::string(prefix) + installer.programDirectory + installer.separator + "Quorvane.inf";
}

namespace {

bool isInstalled(const SettingsKey& key) {
    // A mark that does not read as an integer is no mark: set-up runs and writes it properly,
    // rather than every load failing on it.
    const auto mark = key.integerIfReadable(value::installMark);
    return mark && *mark >= installedMark;
}

void stringDefault(SettingsKey& key, std::string_view name, std::string_view text) {
    if (!key.valueExists(name))
        key.writeString(name, text);
}

void integerDefault(SettingsKey& key, std::string_view name, std::int32_t number) {
    if (!key.valueExists(name))
        key.writeInteger(name, number);
}

void boolDefault(SettingsKey& key, std::string_view name, bool flag) {
    if (!key.valueExists(name))
        key.writeBool(name, flag);
}

void writeDefaults(SettingsKey& key) {
    key.writeInteger(value::installMark, installedMark);
    key.writeString(value::itemsAvailable, "21");

    stringDefault(key, value::extItems, defaults::extItems);
    stringDefault(key, value::moveItems, defaults::moveItems);
    stringDefault(key, value::copyItems, defaults::copyItems);
    stringDefault(key, value::fileItems, defaults::fileItems);
    stringDefault(key, value::sendItems, defaults::sendItems);
    stringDefault(key, value::moveDirItems, defaults::moveDirItems);
    stringDefault(key, value::copyDirItems, defaults::copyDirItems);
    stringDefault(key, value::fileDirItems, defaults::fileDirItems);
    stringDefault(key, value::sendDirItems, defaults::sendDirItems);
    for (const auto& operation : operations())
        stringDefault(key, operation.valueName, operation.defaultCaption);
    stringDefault(key, toggleCrLfValueName, toggleCrLfDefaultCaption);
    stringDefault(key, value::dosPromptFile, "");
    stringDefault(key, value::altPromptFile, "");
    stringDefault(key, value::altPromptStart, defaults::altPromptStart);
    stringDefault(key, value::cPromptFile, "");
    integerDefault(key, value::stampOptions, 7);
    boolDefault(key, value::copyCrLf, true);
    boolDefault(key, value::appendCrLf, true);
    boolDefault(key, value::addPrePath, false);
    boolDefault(key, value::addFileExt, false);
    integerDefault(key, value::displayRef, 0);
    integerDefault(key, value::windowLeft, 0);
    integerDefault(key, value::windowTop, 0);
    integerDefault(key, value::windowWidth, 0);
    integerDefault(key, value::windowHeight, 0);
    if (!key.valueExists(value::theMenu))
        key.writeString(value::theMenu, defaultMenu(key));
}

} // namespace

void runFirstRunSetup(Registry& registry, const Installer& installer, Messages& messages) {
    if (isInstalled(SettingsKey(registry)))
        return;

    // The installer runs outside the store's lock: it writes its own entries to the store.
    if (installer.run(installerCommand(installer), 0 /* hidden */) != 0)
        messages.message(messages::installationFailed);

    // What is missing is decided on the values this commit goes onto, not on the look taken
    // above: a menu file or an Apply that lands in between keeps every value it wrote.
    updateSettings(registry, writeDefaults);

    messages.installedNotice();
}

} // namespace quorvane
