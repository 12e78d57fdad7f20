// The peer of the start-up benchmark: a minimal Qt Widgets program showing
// one empty window of the tool's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(539, 407);
    window.show();
    return app.exec();
}
