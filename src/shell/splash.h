// The splash window shown while the program starts: borderless, centred, one picture.
#pragma once

#include <QSplashScreen>

namespace shell {

class TFSplash : public QSplashScreen {
    Q_OBJECT
public:
    TFSplash();
};

} // namespace shell
