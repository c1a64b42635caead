// The yardsticks for the window's start-up: a bare Qt window of the main
// window's size, shown as soon as the application is up, and (built with
// VORN_BARE_LABEL) the same with one line of text, which makes Qt load its
// font database as any window that shows text must. bench/startup.sh times
// them to the moment their window is mapped.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(476, 350);
#ifdef VORN_BARE_LABEL
    QLabel label(QStringLiteral("Vorn"), &window);
#endif
    window.show();
    return application.exec();
}
