// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tarvo
{

// The clock's end of a serial line: the master side of a pseudo-terminal whose
// slave device the program opens as its serial port. The slave is kept open
// here as well, so the line stays up (and raw) while the program closes and
// reopens its port.
class PtyPort : public QObject
{
    Q_OBJECT
public:
    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;

    bool Open(QString* error);
    void Close();
    bool IsOpen() const { return m_master >= 0; }
    // The device the program opens, e.g. /dev/pts/3; empty while closed.
    QString SlavePath() const { return m_path; }
    // Writes what the line takes now; bytes the program is not reading are
    // dropped once the line's buffer is full, as on a cable nobody listens to.
    void Write(const QByteArray& bytes);

Q_SIGNALS:
    void BytesReceived(const QByteArray& bytes);

private:
    void ReadAvailable();

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier* m_notifier = nullptr;
    QString m_path;
};

} // namespace tarvo
