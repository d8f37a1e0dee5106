#include "shell/splash.h"

#include <QGuiApplication>
#include <QScreen>

namespace shell {

TFSplash::TFSplash() : QSplashScreen(QPixmap(":/webling/splash.png")) {
    // The window takes the picture's size; QSplashScreen centres it on the screen.
    setFixedSize(pixmap().size());
}

} // namespace shell
