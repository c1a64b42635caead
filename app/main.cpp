#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>

#include "FontsCommand.h"
#include "Pictures.h"
#include "RenderCommand.h"
#include "Unit1.h"

namespace {

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

int RunWindow(int argc, char** argv)
{
    TApplication application(argc, argv);
    try {
        application.setWindowIcon(QIcon(QString::fromLatin1(pictures::Icon)));
        QGuiApplication::setDesktopFileName(QStringLiteral("vorn"));
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
           "       vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS] -o FILE.png\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        const std::vector<std::string> rest(argv + 2, argv + argc);
        if (std::strcmp(argv[1], "fonts") == 0)
            return RunFontsCommand(rest, std::cout, std::cerr);
        if (std::strcmp(argv[1], "render") == 0)
            return RunRenderCommand(rest, std::cout, std::cerr);
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            PrintUsage(std::cout);
            return 0;
        }
    }
    return RunWindow(argc, argv);
}
