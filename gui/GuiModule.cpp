#include "GuiModule.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>

#include "Guarded.h"
#include "InstalledFamily.h"
#include "LayoutCommand.h"
#include "PictureReading.h"
#include "Pictures.h"
#include "RenderCommand.h"
#include "Translators.h"
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

// Keys must reach the text as keys: an input method or Qt's compose
// handling would swallow dead keys and compose the key after them, and the
// text widget's own opt-out does not stop the compose context filtering.
// X11 then loads no input context at all; Qt's Wayland plugin still falls
// back to composing, so it is handed a compose table without sequences, an
// anonymous file that lives as long as the process.
void TurnOffComposing()
{
    qputenv("QT_IM_MODULE", QByteArrayLiteral("none"));
    const int table = memfd_create("vorn-no-compose", MFD_CLOEXEC);
    if (table < 0)
        return;
    static constexpr char comment[] = "# no sequences: every key arrives as it is\n";
    if (write(table, comment, sizeof comment - 1) == static_cast<ssize_t>(sizeof comment - 1))
        qputenv("XCOMPOSEFILE", "/proc/self/fd/" + QByteArray::number(table));
    else
        close(table);
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
    TurnOffComposing();
    previousMessageHandler = qInstallMessageHandler(QuitOnFatalStartMessage);
    TApplication application(argc, argv);
    qInstallMessageHandler(previousMessageHandler);
    try {
        // Only the window speaks the user's language; the commands that
        // draw keep the command line's English.
        const Translators translators;
        // Qt's default font may name a family that is not installed ("Sans
        // Serif" where no desktop says otherwise), which every widget with
        // text would have Qt search for.
        const QFont defaultFont = QApplication::font();
        if (const QFont named = NamedByInstalledFamily(defaultFont); named.families() != defaultFont.families())
            QApplication::setFont(named);
        application.setWindowIcon(PictureIcon(QString::fromLatin1(pictures::Icon)));
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

} // namespace

// The commands that need Qt, dispatched here; the executable names the same
// ones in its list of commands for this module (app/main.cpp).
extern "C" __attribute__((visibility("default"))) int VornGuiMain(const char* command, int argc, char** argv)
{
    const std::string name = command;
    if (name.empty())
        return RunWindow(argc, argv);
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (name == "render")
        return RunRenderCommand(rest, std::cout, std::cerr);
    if (name == "layout")
        return RunLayoutCommand(rest, std::cout, std::cerr);
    std::cerr << "vorn: the window's module has no command \"" << name << "\"\n";
    return 2;
}

// The entry's type is the contract's.
[[maybe_unused]] static constexpr GuiModuleMain checkedEntry = VornGuiMain;
