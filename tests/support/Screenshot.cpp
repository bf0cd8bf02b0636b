// Saves the whole X display as a PNG: the end-to-end tests' camera (DISPLAY names the display).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s file.png\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[1], "PNG") ? 0 : 1;
}
