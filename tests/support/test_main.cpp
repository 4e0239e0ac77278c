// SPDX-License-Identifier: GPL-3.0-or-later
// The main of a test program: runs the QtTest class named first on the
// command line (or every class with "--all", or lists them with "--list"), with
// the rest of the command line given to QtTest. Warnings of Qt's own that say
// nothing about this program are dropped, so that a warning of ours stands out.
#include "support/test_registry.h"

#include <QStringList>
#include <QTest>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifdef TARVO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>

using namespace tarvo;
using TestApplication = QCoreApplication;
#endif

namespace
{
std::map<std::string, tarvo::test::Factory>& Registry()
{
    static std::map<std::string, tarvo::test::Factory> registry;
    return registry;
}

QtMessageHandler g_qtTestHandler = nullptr;

// Messages of the platform plugins and the desktop integration that every
// window produces under the offscreen platform; they are not about us.
bool IsQtNoise(const QString& message)
{
    static const char* const noise[] = {
        "This plugin does not support propagateSizeHints()",
        "No such signal QPlatformNativeInterface::systemTrayWindowChanged",
        "XDG_RUNTIME_DIR not set",
        "This plugin does not support raise()",
        "This plugin does not support setParent",
        "QSystemTrayIcon::setVisible: No Icon set",
    };
    for (const char* text : noise) {
        if (message.contains(QLatin1String(text)))
            return true;
    }
    return false;
}

void FilteringHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg && IsQtNoise(message))
        return;
    if (g_qtTestHandler)
        g_qtTestHandler(type, context, message);
}

int RunClass(const std::string& name, int argc, char** argv)
{
    const auto found = Registry().find(name);
    if (found == Registry().end()) {
        std::fprintf(stderr, "no test class %s (--list shows them)\n", name.c_str());
        return 2;
    }
    std::unique_ptr<QObject> object = found->second();
    QTest::qInit(object.get(), argc, argv);
    // QtTest installs its handler in qInit; ours goes in front of it.
    g_qtTestHandler = qInstallMessageHandler(FilteringHandler);
    const int failures = QTest::qRun();
    qInstallMessageHandler(g_qtTestHandler);
    QTest::qCleanup();
    return failures;
}
} // namespace

bool tarvo::test::Register(const char* name, Factory factory)
{
    return Registry().emplace(name, std::move(factory)).second;
}

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLASS|--all|--list [QtTest options]\n", argv[0]);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--list") {
        for (const auto& entry : Registry())
            std::printf("%s\n", entry.first.c_str());
        return 0;
    }
    // QtTest sees the program name and the options after the class name.
    std::vector<char*> rest{argv[0]};
    for (int i = 2; i < argc; ++i)
        rest.push_back(argv[i]);
    int restCount = int(rest.size());
    rest.push_back(nullptr);

    TestApplication app(argc, argv);
#ifdef TARVO_TEST_WIDGETS
    app.setAttribute(Qt::AA_Use96Dpi, true);
#endif
    if (first != "--all")
        return RunClass(first, restCount, rest.data());
    int failures = 0;
    for (const auto& entry : Registry())
        failures += RunClass(entry.first, restCount, rest.data());
    return failures;
}
