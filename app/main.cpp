#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Varnok 2.1");
    window.resize(829, 572);
    window.show();
    return app.exec();
}
