// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tarvo
{

// Where the clock's stored password sits in the network settings record.
inline constexpr int StoredPasswordOffset = 8;
inline constexpr int PasswordLength = 4;

inline const QString PasswordErrorTitle = QStringLiteral("Password Error");
inline const QString PasswordLengthMessage =
    QStringLiteral("Password is not 4 characters long. Please re enter password fields");
inline const QString PasswordMismatchMessage = QStringLiteral("Passwords do not match each other.");
// Each password character travels as one byte and must be one a person can
// type: a control character (or one without a one-byte code) would lock the
// clock out of the network, so it is refused and nothing is sent.
inline const QString PasswordCharacterMessage = QStringLiteral(
    "The password may only contain printable characters: letters, digits, punctuation and "
    "spaces (character codes 32 to 126 and 160 to 255).");
// Whether every character of `text` may be part of a network password.
bool IsPasswordText(QStringView text);

// The access password a clock on the network is sent before any was typed.
inline constexpr char DefaultNetworkPasswordText[] = "7315";
QByteArray DefaultNetworkPassword();

// Outcome of checking the stored-password fields. `result` is 0 when the password
// is switched off, 1 when the fields are valid and -1 when they are not (show
// `title` and `text`, send nothing). `recordBytes` are the four bytes for offsets
// 8-11 of the network settings record; nullopt leaves the record as it is.
struct PasswordCheck {
    int result = 0;
    QString title;
    QString text;
    std::optional<QByteArray> recordBytes;
};

PasswordCheck CheckPassword(bool enabled, const QString& editText, const QString& reenterText);
// Writes the check's record bytes into `networkData` (nothing when it has none or
// the record is too short to hold them).
void ApplyPasswordCheck(const PasswordCheck& check, QByteArray& networkData);

// The access password from the prompt's text: its first four characters, padded
// with blanks. `error` is set, and `bytes` empty, when one of them has no
// one-byte code.
struct NetworkPasswordInput {
    QByteArray bytes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
NetworkPasswordInput NetworkPasswordFromText(const QString& typed);

// Reading the stored password back from a network settings record.
bool PasswordEnabledInRecord(QByteArrayView networkData);   // any of bytes 8-11 non-zero
QString PasswordTextFromRecord(QByteArrayView networkData); // the four characters

} // namespace tarvo
