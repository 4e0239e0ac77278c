// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared set-up of the fuzz targets: one QCoreApplication for the whole run
// (the program core's waits run the event loop, and the settings store needs
// an application object) and a quiet message handler, so that the fuzzer's
// own output stays readable and no time goes into logging.
#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace fuzz
{

inline void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    // A fatal message must still end the run, so that the fuzzer reports it.
    if (type == QtFatalMsg) {
        fprintf(stderr, "qFatal: %s\n", qPrintable(text));
        abort();
    }
}

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    // A deep copy: a view on the fuzzer's buffer would let a decoder that keeps
    // a reference past its call go unnoticed.
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace fuzz

// Every target is one file that includes this header once: libFuzzer calls
// this before the first input.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(fuzz::QuietMessages);
    // Never destroyed: libFuzzer ends the process with exit(), after Qt's own
    // statics are gone, and a destructor running then would crash.
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    (void)app;
    return 0;
}
