#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>

#include "FontsCommand.h"
#include "LayoutCommand.h"
#include "Pictures.h"
#include "RenderCommand.h"
#include "Unit1.h"

namespace {

QtMessageHandler previousMessageHandler = nullptr;

// The application shows an exception that escapes event dispatch and goes on
// with the next event.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            ShowException(error);
        }
        return false;
    }
};

constexpr const char* NoWindowHint = "`vorn fonts`, `vorn render` and `vorn layout` work without one";

// Qt ends the process with a core dump when it cannot reach the display it
// was given; say what to do instead and end with a plain failure.
void QuitOnFatalStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
    if (type == QtFatalMsg) {
        std::cerr << "vorn: the window could not reach a graphical session; " << NoWindowHint << "\n";
        std::_Exit(1);
    }
}

bool HasGraphicalSession()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

int RunWindow(int argc, char** argv)
{
    if (!HasGraphicalSession()) {
        std::cerr << "vorn: the window needs a graphical session (DISPLAY or WAYLAND_DISPLAY); " << NoWindowHint
                  << "\n";
        return 1;
    }
    previousMessageHandler = qInstallMessageHandler(QuitOnFatalStartMessage);
    TApplication application(argc, argv);
    qInstallMessageHandler(previousMessageHandler);
    try {
        application.setWindowIcon(QIcon(QString::fromLatin1(pictures::Icon)));
        QGuiApplication::setDesktopFileName(QStringLiteral("org.vornproject.Vorn"));
        TForm1 form;
        Form1 = &form;
        form.show();
        application.exec();
        Form1 = nullptr;
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return 0;
}

void PrintUsage(std::ostream& out)
{
    out << "usage: vorn                       open the window\n"
           "       vorn fonts [--no-cache] [--all | --coverage NAME]\n"
           "       vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS]\n"
           "                   [--scale S] [--no-mark] [--crop] -o FILE.png|FILE.svg\n"
           "       vorn layout [--face NAME] [--scale S] -o FILE.png|FILE.svg\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return RunWindow(argc, argv);

    const std::string command = argv[1];
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "fonts")
        return RunFontsCommand(rest, std::cout, std::cerr);
    if (command == "render")
        return RunRenderCommand(rest, std::cout, std::cerr);
    if (command == "layout")
        return RunLayoutCommand(rest, std::cout, std::cerr);
    const bool known = command == "--help" || command == "-h" || command == "--version";
    if (known && rest.empty()) {
        if (command == "--version")
            std::cout << "vorn " VORN_VERSION "\n";
        else
            PrintUsage(std::cout);
        return 0;
    }
    // The window takes no arguments, Qt's own options included: anything else
    // is a mistake, and opening the window would hide it.
    if (known)
        std::cerr << "vorn: " << command << " takes no arguments\n";
    else if (command.starts_with('-'))
        std::cerr << "vorn: unknown option \"" << command << "\"\n";
    else
        std::cerr << "vorn: unknown command \"" << command << "\"\n";
    PrintUsage(std::cerr);
    return 2;
}
