#include "x_session.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>

namespace xtest {

namespace {

QProcessEnvironment environmentFor(const std::string& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display));
    for (const char* v : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_FONT_DPI"})
        env.remove(v);
    return env;
}

uint32_t be32(const QByteArray& d, int offset) {
    return qFromBigEndian<uint32_t>(reinterpret_cast<const uchar*>(d.constData()) + offset);
}

// An X window dump of a true-colour screen: a big-endian header, the colour map, then the
// pixels in the server's byte order (least significant first here), three or four bytes each.
QImage fromXwd(const QByteArray& d) {
    if (d.size() < 100) return {};
    const uint32_t headerSize = be32(d, 0), width = be32(d, 16), height = be32(d, 20),
                   bitsPerPixel = be32(d, 44), bytesPerLine = be32(d, 48), colours = be32(d, 76);
    const uint32_t step = bitsPerPixel / 8;
    const qsizetype start = headerSize + colours * 12;
    if ((step != 3 && step != 4) || bytesPerLine < width * step ||
        d.size() < start + qsizetype(bytesPerLine) * height)
        return {};
    QImage img(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    for (uint32_t y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(d.constData()) + start + y * bytesPerLine;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(y)));
        for (uint32_t x = 0; x < width; ++x)
            out[x] = qRgb(line[x * step + 2], line[x * step + 1], line[x * step]);
    }
    return img;
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
           std::abs(qBlue(a) - qBlue(b)) < 40;
}

} // namespace

XServer::XServer() : Proc(std::make_unique<QProcess>()) {
    // Xvfb picks a free display itself and writes its number once it accepts clients.
    // -noreset: a server resets whenever its last client leaves, and a client that connects
    // during the reset is refused.
    Proc->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                         "-noreset"});
    if (!Proc->waitForStarted(10000)) {
        Error = "Xvfb cannot be started (Debian package xvfb)";
        return;
    }
    QByteArray line;
    while (!line.contains('\n') && Proc->waitForReadyRead(20000))
        line += Proc->readAllStandardOutput();
    if (!line.contains('\n')) {
        Error = "Xvfb gave no display number: " + Proc->readAllStandardError().toStdString();
        return;
    }
    Display = ":" + line.trimmed().toStdString();
    // The number is written once the server listens; make sure a client gets through.
    if (!testsupport::waitUntil([&] {
            bool ok = false;
            xdo({"getdisplaygeometry"}, &ok);
            return ok;
        })) {
        Error = "Xvfb on " + Display + " accepts no clients";
        Display.clear();
    }
}

XServer::~XServer() {
    Proc->terminate();
    if (!Proc->waitForFinished(5000)) Proc->kill();
    Proc->waitForFinished(3000);
}

std::string XServer::run(const QString& program, const QStringList& args, bool* ok) const {
    QProcess p;
    p.setProcessEnvironment(environmentFor(Display));
    p.start(program, args);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(20000);
    if (ok) *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return p.readAllStandardOutput().toStdString();
}

std::string XServer::xdo(const QStringList& args, bool* ok) const {
    return run("xdotool", args, ok);
}

QImage XServer::screenshot() const {
    return fromXwd(QByteArray::fromStdString(run("xwd", {"-root", "-silent"})));
}

std::string XServer::clipboard() const { return run("xclip", {"-o", "-selection", "clipboard"}); }

Browser::Browser(const XServer& x) : X(x) {
    for (const char* f : {"webling", "home.html", "about-webling.html", "webling-logo.gif"})
        QFile::copy(QString(WEBLING_BINARY_DIR) + "/" + f, QString::fromStdString(Dir.file(f)));
    QFile::setPermissions(QString::fromStdString(Dir.file("webling")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    configure();
    UserName = QString::fromStdString(X.run("id", {"-un"})).trimmed().toStdString();
}

void Browser::configure(const std::string& iniExtra) {
    Dir.write("webling.ini", "[users]\nusersrootdir=" + Dir.path() + "users\n[tmp]\ntmpdir=" +
                                 Dir.path() + "tmp\n[cache]\ncachedir=" + Dir.path() + "cache\n" +
                                 iniExtra);
}

Browser::~Browser() {
    if (!Proc) return;
    Proc->kill();
    Proc->waitForFinished(5000);
}

::testing::AssertionResult Browser::open(const std::string& address, const std::string& c) {
    Proc = std::make_unique<QProcess>();
    Proc->setProcessEnvironment(environmentFor(X.display()));
    QStringList args;
    if (!address.empty()) args << QString::fromStdString(address);
    Proc->start(QString::fromStdString(Dir.file("webling")), args);
    if (Proc->waitForStarted(10000) && waitForCaption(c)) {
        findLayout();
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no window \"" << c << "\" among\n" << caption()
                                         << "standard error: "
                                         << Proc->readAllStandardError().toStdString();
}

bool Browser::waitForExit(int ms) { return !Proc || Proc->waitForFinished(ms); }

std::string Browser::caption() const {
    if (!Proc) return {};
    return X.xdo({"search", "--onlyvisible", "--all", "--pid", QString::number(Proc->processId()),
                  "--name", ".*", "getwindowname", "%@"});
}

int Browser::visibleWindows() const {
    if (!Proc) return 0;
    const std::string ids = X.xdo({"search", "--onlyvisible", "--all", "--pid",
                                   QString::number(Proc->processId()), "--class", ".*"});
    return static_cast<int>(std::count(ids.begin(), ids.end(), '\n'));
}

bool Browser::waitForWindows(int count, int ms) const {
    return testsupport::waitUntil([&] { return visibleWindows() == count; }, ms);
}

bool Browser::waitForCaption(const std::string& c, int ms) {
    return testsupport::waitUntil(
        [&] { return ("\n" + caption()).find("\n" + c + "\n") != std::string::npos; }, ms);
}

void Browser::findLayout() {
    // The address box is the first wide white field from the top of the window; the tool
    // bar's buttons share its middle.
    testsupport::waitUntil(
        [&] {
            const QImage s = X.screenshot();
            for (int y = 0; y < 150 && y < s.height(); ++y) {
                int run = 0;
                for (int x = 150; x < 600; ++x) {
                    run = s.pixel(x, y) == qRgb(255, 255, 255) ? run + 1 : 0;
                    if (run > 150) {
                        ToolBarY = y + 10;
                        return true;
                    }
                }
            }
            return false;
        },
        10000);
}

void Browser::click(int x, int y, int button) const {
    X.xdo({"mousemove", "--sync", QString::number(x), QString::number(y), "click",
           QString::number(button)});
}

void Browser::drag(int x1, int y1, int x2, int y2) const {
    X.xdo({"mousemove", "--sync", QString::number(x1), QString::number(y1), "mousedown", "1",
           "mousemove", "--sync", QString::number((x1 + x2) / 2), QString::number(y2),
           "mousemove", "--sync", QString::number(x2), QString::number(y2), "mouseup", "1"});
}

void Browser::key(const QStringList& keys) const {
    QStringList args{"key", "--delay", "30"};
    args << keys;
    X.xdo(args);
}

void Browser::type(const std::string& text) const {
    X.xdo({"type", "--delay", "15", QString::fromStdString(text)});
}

void Browser::clickAddressBox() const { click(400, ToolBarY); }

void Browser::enterAddress(const std::string& text, const char* key) const {
    clickAddressBox();
    this->key({"ctrl+a"});
    type(text);
    this->key({key});
}

void Browser::clickToolButton(int index) const {
    // Six buttons of 33 pixels and their spacing, left of the address box.
    click(3 + index * 34 + 17, ToolBarY);
}

void Browser::openMenu(int index) const {
    // Menu titles are found as clusters of dark pixels in the menu bar.
    const QImage s = X.screenshot();
    if (s.width() < 500) return;
    const int top = 2, bottom = std::max(top + 4, ToolBarY - 22);
    std::vector<std::pair<int, int>> words;
    int gap = 100;
    for (int x = 0; x < 500; ++x) {
        bool dark = false;
        for (int y = top; y < bottom && !dark; ++y) dark = qGray(s.pixel(x, y)) < 100;
        if (dark) {
            if (gap > 8) words.push_back({x, x});
            words.back().second = x;
            gap = 0;
        } else {
            ++gap;
        }
    }
    if (index >= static_cast<int>(words.size())) return;
    const auto [left, right] = words[static_cast<size_t>(index)];
    click((left + right) / 2, (top + bottom) / 2);
}

int countColour(const QImage& image, const QRect& rect, QRgb colour) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(image.pixel(x, y), colour)) ++n;
    return n;
}

std::string BigLinkPage(const std::string& title, const std::string& href) {
    return "<title>" + title + "</title><body bgcolor=white><a href=\"" + href +
           "\"><img src=\"missing.gif\" width=600 height=300 alt=\"" + title + "\"></a>";
}

} // namespace xtest
