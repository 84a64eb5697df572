// The baseline of the start-up benchmark: a bare Qt main window with a menu bar and a tree view. It prints
// the line "window shown" on standard error when its window is first exposed, as Velloplayer's start-up
// log does.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTreeWidget>
#include <QWindow>

#include <cstdio>

namespace {

class ExposeMark final : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            std::fputs("window shown\n", stderr);
            std::fflush(stderr);
            watched->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Quit"));
    auto* tree = new QTreeWidget(&window);
    tree->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(tree, {QStringLiteral("/")});
    for (const char* name : {"bin", "etc", "home", "tmp", "usr", "var"})
        new QTreeWidgetItem(root, {QString::fromLatin1(name)});
    root->setExpanded(true);
    window.setCentralWidget(tree);
    window.resize(640, 480);
    ExposeMark mark;
    window.winId(); // the native window exists from here
    window.windowHandle()->installEventFilter(&mark);
    window.show();
    return QApplication::exec();
}
