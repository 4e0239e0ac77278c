// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/password.h"

#include "link/bytes.h"

namespace tarvo
{

namespace
{

} // namespace

bool IsPasswordText(QStringView text)
{
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 32 || (code > 126 && code < 160) || code > 255)
            return false;
    }
    return true;
}

QByteArray DefaultNetworkPassword()
{
    return QByteArray(DefaultNetworkPasswordText);
}

PasswordCheck CheckPassword(bool enabled, const QString& editText, const QString& reenterText)
{
    if (!enabled)
        return {0, {}, {}, QByteArray(PasswordLength, '\0')};
    if (editText.size() != PasswordLength)
        return {-1, PasswordErrorTitle, PasswordLengthMessage, std::nullopt};
    if (editText != reenterText)
        return {-1, PasswordErrorTitle, PasswordMismatchMessage, std::nullopt};
    if (!IsPasswordText(editText))
        return {-1, PasswordErrorTitle, PasswordCharacterMessage, std::nullopt};
    return {1, {}, {}, editText.toLatin1()};
}

void ApplyPasswordCheck(const PasswordCheck& check, QByteArray& networkData)
{
    if (!check.recordBytes || networkData.size() < StoredPasswordOffset + PasswordLength)
        return;
    for (int i = 0; i < PasswordLength; ++i)
        SetByte(networkData, StoredPasswordOffset + i, ByteAt(*check.recordBytes, i));
}

NetworkPasswordInput NetworkPasswordFromText(const QString& typed)
{
    const QString first = typed.left(PasswordLength);
    if (!IsPasswordText(first))
        return {{}, PasswordCharacterMessage};
    QByteArray bytes = first.toLatin1();
    while (bytes.size() < PasswordLength)
        bytes.append(' ');
    return {bytes, {}};
}

bool PasswordEnabledInRecord(QByteArrayView networkData)
{
    for (int i = 0; i < PasswordLength; ++i) {
        if (ByteAt(networkData, StoredPasswordOffset + i) != 0)
            return true;
    }
    return false;
}

QString PasswordTextFromRecord(QByteArrayView networkData)
{
    QString text;
    for (int i = 0; i < PasswordLength; ++i)
        text += QChar(static_cast<char16_t>(ByteAt(networkData, StoredPasswordOffset + i)));
    return text;
}

} // namespace tarvo
