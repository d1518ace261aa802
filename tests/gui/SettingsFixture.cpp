#include "SettingsFixture.h"

#include "menu/Catalog.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane::test {

void seedSettings(Registry& registry, std::string_view menu) {
    SettingsKey key(registry);
    key.writeInteger(value::installMark, 2010);
    key.writeString(value::itemsAvailable, "21");
    for (const Operation& operation : operations())
        key.writeString(operation.valueName, operation.defaultCaption);
    key.writeString(value::extItems, defaults::extItems);
    key.writeString(value::moveItems, defaults::moveItems);
    key.writeString(value::copyItems, defaults::copyItems);
    key.writeString(value::fileItems, defaults::fileItems);
    key.writeString(value::sendItems, defaults::sendItems);
    key.writeString(value::moveDirItems, defaults::moveDirItems);
    key.writeString(value::copyDirItems, defaults::copyDirItems);
    key.writeString(value::fileDirItems, defaults::fileDirItems);
    key.writeString(value::sendDirItems, defaults::sendDirItems);
    key.writeString(value::theMenu, menu);
    for (auto name : {value::windowLeft, value::windowTop, value::windowWidth, value::windowHeight})
        key.writeInteger(name, 0);
    key.close();
}

} // namespace quorvane::test
