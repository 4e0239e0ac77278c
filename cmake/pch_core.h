// SPDX-License-Identifier: GPL-3.0-or-later
// Qt headers that almost every source file of the core pulls in, compiled once
// per target instead of once per file.
#pragma once
#ifdef __cplusplus
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <memory>
#include <optional>
#endif
