// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/connect_helpers.h"

#include "ui/ip_address_edit.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace tarvo;

IpAddressEdit* AddressEntryOf(const QWidget& root, const char* name)
{
    return root.findChild<IpAddressEdit*>(QLatin1String(name));
}

QLineEdit* LineEditOf(const QWidget& root, const char* name)
{
    return root.findChild<QLineEdit*>(QLatin1String(name));
}

QString AddressText(const QWidget& root, const char* name)
{
    IpAddressEdit* entry = AddressEntryOf(root, name);
    return entry ? entry->text() : QString();
}

void TypeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void TypeOctet(IpAddressEdit* entry, int position, int value)
{
    TypeInto(entry->field(position), QString::number(value));
}

void WhileModal(const char* objectName, std::function<bool(QWidget&)> step)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, objectName, step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String(objectName))
            return;
        if (step(*modal))
            timer->deleteLater();
    });
    timer->start();
}
