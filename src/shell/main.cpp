#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Webling v. 1.0");
    QMainWindow w;
    w.resize(731, 677);
    w.show();
    return app.exec();
}
