// The editing rules on the largest trees a menu string gives: every operation dropped at once,
// the largest subtree removed and moved. Each row times the rule alone; its detail gives the same
// edit as the window performs it, one undoable step of the edit history.
#include "bench/Fixtures.h"
#include "bench/Rows.h"
#include "bench/Table.h"
#include "rules/EditHistory.h"
#include "rules/TreeEditing.h"
#include "store/MemoryRegistry.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane::bench {

namespace {

constexpr double oneMillisecond = 1e6;

struct Edit {
    std::string scenario;
    std::string menu;
    // Picks what the edit works on in a freshly loaded model, outside the timing, and returns
    // the edit.
    std::function<std::function<void(TreeEditing&)>(Model&)> prepare;
    // The edit leaves the tree as it found it, so one load serves every run.
    bool repeatable = false;
};

void selectAllOperations(AvailableEntries& source) {
    for (int row = 0; row < source.size(); ++row)
        if (source.at(row).record->kind == Kind::Operation)
            source.setSelected(row, true);
}

MenuNode* largestSubtree(const MenuTree& tree) {
    MenuNode* largest = nullptr;
    std::size_t most = 0;
    for (int row = 0; row < tree.root()->childCount(); ++row) {
        MenuNode* child = tree.root()->child(row);
        std::size_t size = 0;
        for (std::vector<MenuNode*> pending{child}; !pending.empty(); ++size) {
            MenuNode* n = pending.back();
            pending.pop_back();
            for (int i = 0; i < n->childCount(); ++i)
                pending.push_back(n->child(i));
        }
        if (size > most) {
            largest = child;
            most = size;
        }
    }
    return largest;
}

// Every iteration loads the menu afresh outside the timing, as each edit changes the tree.
void addEdit(const Edit& edit) {
    auto registry = std::make_shared<MemoryRegistry>();
    setUpFirstRun(*registry);
    if (const std::size_t perKind = itemsPerKind(edit.menu))
        storeItemLists(*registry, perKind);
    const std::string stepName = edit.scenario + ", as an undoable step";
    auto run = [registry, edit](bool asStep) {
        return [registry, edit, asStep](benchmark::State& state) {
            std::unique_ptr<Model> model;
            std::unique_ptr<TreeEditing> editing;
            std::unique_ptr<EditHistory> history;
            std::function<void(TreeEditing&)> change;
            for (auto _ : state) {
                if (!model || !edit.repeatable) {
                    model = std::make_unique<Model>();
                    model->load(*registry, edit.menu);
                    editing =
                        std::make_unique<TreeEditing>(model->tree, model->source, model->pool);
                    history = std::make_unique<EditHistory>(model->tree, model->source);
                    change = edit.prepare(*model);
                }
                timed(state, [&] {
                    if (asStep)
                        history->perform("edit", [&] { change(*editing); });
                    else
                        change(*editing);
                });
            }
        };
    };
    // A load per run costs far more than most edits: a fixed number of runs keeps the time in
    // bounds.
    const Runs runs = edit.repeatable ? Runs{.manualTime = true}
                                      : Runs{.minSeconds = 0, .iterations = 20, .manualTime = true};
    addRow({edit.scenario,
            [stepName](double) {
                const double step = medianOf(stepName);
                return step < 0 ? std::string() : "as an undoable step " + duration(step);
            },
            under(oneMillisecond)},
           run(false), runs);
    addHidden(stepName, run(true), runs);
}

} // namespace

void addEditRows() {
    using Change = std::function<void(TreeEditing&)>;
    const std::string flat = separatorMenu();
    addEdit({"Drop all 21 operations on an entry, flat menu at limit", flat, [](Model& model) {
                 selectAllOperations(model.source);
                 MenuNode* entry = model.tree.root()->child(0);
                 return Change(
                     [entry](TreeEditing& editing) { editing.insertSelected(entry, nullptr); });
             }});
    addEdit({"Drop all 21 operations on the root, flat menu at limit", flat, [](Model& model) {
                 selectAllOperations(model.source);
                 MenuNode* root = model.tree.root();
                 return Change(
                     [root](TreeEditing& editing) { editing.insertSelected(root, nullptr); });
             }});
    addEdit({"Remove the largest subtree, nested menu at limit", nestedMenu(), [](Model& model) {
                 MenuNode* largest = largestSubtree(model.tree);
                 return Change([largest](TreeEditing& editing) { editing.remove(largest); });
             }});
    for (const auto& [name, menu] : {std::pair{"flat", flatMenu()}, std::pair{"item", itemMenu()}})
        addEdit(
            {std::string("Remove every entry, ") + name + " menu at limit", menu, [](Model& model) {
                 MenuNode* root = model.tree.root();
                 return Change([root](TreeEditing& editing) { editing.remove(root); });
             }});
    // A separator first, so that the nested submenu has somewhere to go: dropped on it, the
    // submenu ends up after it.
    addEdit({"Move the largest subtree, nested menu at limit",
             "-1," + nestedMenu(commaTextLimit - 3),
             [](Model& model) {
                 MenuNode* largest = largestSubtree(model.tree);
                 MenuNode* separator = model.tree.root()->child(0);
                 return Change([largest, separator](TreeEditing& editing) {
                     editing.move(largest, separator);
                 });
             },
             true});
}

} // namespace quorvane::bench
