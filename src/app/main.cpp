// tesmora: the desktop program.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tesmora/app/command_line.h"
#include "tesmora/app/varnel_app.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h
#include <shobjidl.h>
#else
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#endif

namespace {

#if !defined(_WIN32) && !defined(__APPLE__)
bool HasDisplay(int argc, char** argv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}
#endif

// Qt ends the process when it cannot reach the display; say so plainly
// instead of leaving only its diagnostics.
QtMessageHandler g_default_handler = nullptr;
void MessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
        std::fprintf(stderr,
                     "tesmora: cannot open the display; it needs a graphical session "
                     "(check DISPLAY or WAYLAND_DISPLAY)\n");
        std::_Exit(1);
    }
    if (g_default_handler) g_default_handler(type, context, text);
}

#ifndef _WIN32
// A termination signal ends the event loop, so that the temporary files are
// removed as at any other end. One that arrives during the start-up, while a
// message box runs its own loop, ends that loop only: the main loop is then
// not entered at all. Every signal is taken, not only the first.
int g_signal_pipe[2] = {-1, -1};
bool g_quit = false;
void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signal_pipe[0], &c, 1);
}
void QuitOnSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signal_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char c;
        [[maybe_unused]] const auto n = ::read(g_signal_pipe[1], &c, 1);
        g_quit = true;
        QApplication::exit(0);  // without the questions a close would ask
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#if !defined(_WIN32) && !defined(__APPLE__)
    if (!HasDisplay(argc, argv)) {
        std::fprintf(stderr,
                     "tesmora: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "run it in a graphical session\n");
        return 1;
    }
#endif
#ifdef _WIN32
    // The taskbar groups the program's windows under its own identity.
    SetCurrentProcessExplicitAppUserModelID(L"Quorvik.Varnel.Tesmora.1000");
#endif
    g_default_handler = qInstallMessageHandler(MessageHandler);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(g_default_handler);

    // Qt's own buttons and file dialogs in Japanese, like the rest of the program.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&translator);

#ifndef _WIN32
    QuitOnSignals(qapp);
#endif

    int code = 0;
    {
        tesmora::desktop::CVarnelApp app;
        const QStringList files = tesmora::desktop::FilesFromCommandLine(
            QApplication::arguments().mid(1), QDir::currentPath());
        if (!app.InitInstance(files)) return 1;
#ifndef _WIN32
        if (g_quit) return 0;
#endif
        code = QApplication::exec();
    }
    return code;
}
