// The floor the editor's start-up is measured against: a Qt Widgets window holding an empty tree
// view, and nothing else, of the size given on the command line. With --header the empty view
// shows its one column's title, as an empty tree view in a program does; without it the window
// shows no text at all, and Qt never loads a font.
#include <QApplication>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool header = arguments.removeAll(QStringLiteral("--header")) > 0;
    const int width = arguments.size() > 2 ? arguments[1].toInt() : 578;
    const int height = arguments.size() > 2 ? arguments[2].toInt() : 353;

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    if (header) {
        auto* view = new QTreeWidget;
        view->setHeaderLabels({QStringLiteral("Menu")});
        layout->addWidget(view);
    } else {
        layout->addWidget(new QTreeView);
    }
    window.resize(width, height);
    window.show();
    return QApplication::exec();
}
