// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/fleet_file.h"

#include "clock/clock_model.h"
#include "clock/json_fields.h"
#include "clock/json_text.h"
#include "clock/password.h"
#include "session/clock_session.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>

namespace tarvo
{

namespace
{

// A password file holds four characters and a line break; more than this is
// the wrong file.
constexpr qint64 kMaxPasswordFileBytes = 4096;

const QStringList& KnownFields()
{
    static const QStringList fields{QStringLiteral("name"),         QStringLiteral("port"),
                                    QStringLiteral("host"),         QStringLiteral("password"),
                                    QStringLiteral("passwordFile"), QStringLiteral("model")};
    return fields;
}

// Control characters, and format characters (category Cf: the right-to-left
// override, the zero-width space, ...), which make a name read as another
// or hide part of it. Counted by code point: some are outside the BMP.
bool HasControlsOrFormat(QStringView text)
{
    const QList<uint> points = text.toUcs4();
    return std::any_of(points.begin(), points.end(), [](uint point) {
        const auto category = QChar::category(char32_t(point));
        return category == QChar::Other_Control || category == QChar::Other_Format;
    });
}

// Collects the problems of one entry, each naming the entry and the field.
class EntryErrors
{
public:
    EntryErrors(const QString& fileName, int index, QStringList& errors)
        : m_file(EscapeControls(fileName)), m_index(index), m_errors(errors)
    {
    }
    void SetName(const QString& name) { m_name = name; }
    void Add(const QString& field, const QString& reason)
    {
        QString where = QStringLiteral("%1: clock %2").arg(m_file).arg(m_index + 1);
        if (!m_name.isEmpty())
            where += QStringLiteral(" (\"%1\")").arg(EscapeControls(m_name));
        m_errors.append(
            field.isEmpty()
                ? QStringLiteral("%1: %2").arg(where, reason)
                : QStringLiteral("%1: %2 \"%3\"").arg(where, reason, EscapeControls(field)));
        ++m_count;
    }
    void AddField(const QString& field, const QString& reason)
    {
        Add({}, QStringLiteral("field \"%1\": %2").arg(EscapeControls(field), reason));
    }
    int Count() const { return m_count; }

private:
    QString m_file;
    int m_index;
    QString m_name;
    QStringList& m_errors;
    int m_count = 0;
};

// A text field that must be a non-empty string without control or format
// characters.
std::optional<QString> TextField(const QJsonObject& entry, const QString& field,
                                 EntryErrors& errors)
{
    const QJsonValue value = entry.value(field);
    if (!value.isString()) {
        errors.AddField(field, QStringLiteral("must be a string"));
        return std::nullopt;
    }
    const QString text = value.toString();
    if (text.trimmed().isEmpty()) {
        errors.AddField(field, QStringLiteral("must not be empty"));
        return std::nullopt;
    }
    if (HasControlsOrFormat(text)) {
        errors.AddField(field, QStringLiteral("must not hold control or format characters"));
        return std::nullopt;
    }
    return text;
}

// The password rules of --password, but whole: a fleet file that gives two
// characters is a mistake, not a password to pad.
std::optional<QString> CheckedPassword(const QString& text, const QString& field,
                                       EntryErrors& errors)
{
    if (text.size() != PasswordLength) {
        errors.AddField(
            field,
            QStringLiteral("the password must be exactly 4 characters, not %1").arg(text.size()));
        return std::nullopt;
    }
    if (!IsPasswordText(text)) {
        errors.AddField(field, PasswordCharacterMessage);
        return std::nullopt;
    }
    return text;
}

std::optional<QString> PasswordFromFile(const QJsonObject& entry, const QString& fileName,
                                        const FleetFileReader& readFile, EntryErrors& errors,
                                        QStringList& warnings)
{
    const QString field = QStringLiteral("passwordFile");
    const std::optional<QString> relative = TextField(entry, field, errors);
    if (!relative)
        return std::nullopt;
    const QString path = QFileInfo(fileName).dir().absoluteFilePath(*relative);
    const QString shown = EscapeControls(path);
    const SmallFileRead file = readFile ? readFile(path, kMaxPasswordFileBytes)
                                        : SmallFileRead{{}, QStringLiteral("no files"), false, 0};
    if (!file.ok() && !file.tooLarge) {
        errors.AddField(field, QStringLiteral("cannot read %1: %2").arg(shown, file.problem));
        return std::nullopt;
    }
    // A path that names some other file (../../etc/shadow) is refused in
    // words that tell nothing of what it holds: not its size, nor the length
    // or the characters of its first line.
    const QString firstLine =
        QString::fromUtf8(file.bytes).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (file.tooLarge || firstLine.size() != PasswordLength || !IsPasswordText(firstLine)) {
        errors.AddField(field, QStringLiteral("%1 is not a password file: its first line must be "
                                              "the password, 4 printable characters")
                                   .arg(shown));
        return std::nullopt;
    }
    // As ssh says of a private key: a secret others can reach is no secret.
    if (file.permissions & 077)
        warnings.append(QStringLiteral("%1: permissions %2 are too open for a password file; "
                                       "make it its owner's alone (chmod 600)")
                            .arg(shown)
                            .arg(file.permissions, 4, 8, QLatin1Char('0')));
    return firstLine;
}

void ParseEntry(const QJsonValue& value, int index, const QString& fileName,
                const FleetFileReader& readFile, QSet<QString>& names, FleetParseResult& result)
{
    EntryErrors errors(fileName, index, result.errors);
    if (!value.isObject()) {
        errors.Add({}, QStringLiteral("must be a JSON object"));
        return;
    }
    const QJsonObject entry = value.toObject();
    FleetClock clock;
    if (!entry.contains(u"name")) {
        errors.AddField(QStringLiteral("name"), QStringLiteral("is required"));
    } else if (const auto name = TextField(entry, QStringLiteral("name"), errors)) {
        clock.name = *name;
        errors.SetName(clock.name);
        if (names.contains(clock.name))
            errors.AddField(QStringLiteral("name"), QStringLiteral("another clock has this name"));
        names.insert(clock.name);
    }
    const JsonFields fields(
        [&errors](const QString& field, const QString& reason) { errors.Add(field, reason); });
    fields.Each(entry,
                [](const QString& key, const QJsonValue&) { return KnownFields().contains(key); });

    const bool hasPort = entry.contains(u"port");
    const bool hasHost = entry.contains(u"host");
    if (hasPort == hasHost) {
        errors.Add({}, hasPort ? QStringLiteral("give \"port\" or \"host\", not both")
                               : QStringLiteral("needs \"port\" (serial device) or \"host\" "
                                                "(network address)"));
    } else if (hasPort) {
        clock.port = TextField(entry, QStringLiteral("port"), errors).value_or(QString());
        if (const QString problem = ClockSession::SerialPortNameProblem(clock.port);
            !problem.isEmpty())
            errors.AddField(QStringLiteral("port"), problem);
    } else {
        clock.host = TextField(entry, QStringLiteral("host"), errors).value_or(QString());
    }

    const bool hasPassword = entry.contains(u"password");
    const bool hasPasswordFile = entry.contains(u"passwordFile");
    if (hasPassword && hasPasswordFile) {
        errors.Add({}, QStringLiteral("give \"password\" or \"passwordFile\", not both"));
    } else if (hasPassword) {
        if (const auto text = TextField(entry, QStringLiteral("password"), errors))
            clock.password =
                CheckedPassword(*text, QStringLiteral("password"), errors).value_or(QString());
    } else if (hasPasswordFile) {
        clock.password = PasswordFromFile(entry, fileName, readFile, errors, result.warnings)
                             .value_or(QString());
    }

    if (entry.contains(u"model")) {
        const QJsonValue model = entry.value(u"model");
        const double number = model.toDouble(-1);
        if (!model.isDouble() || number != static_cast<int>(number) ||
            !ModelByNumber(static_cast<int>(number)))
            errors.AddField(
                QStringLiteral("model"),
                QStringLiteral("must be 226, 229, 207 or 222, not %1").arg(JsonValueText(model)));
        else
            clock.model = static_cast<int>(number);
    }
    if (errors.Count() == 0)
        result.clocks.append(clock);
}

} // namespace

FleetParseResult ParseFleet(const QByteArray& json, const QString& fileName,
                            const FleetFileReader& readFile)
{
    FleetParseResult result;
    const QString shown = EscapeControls(fileName);
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        result.errors.append(QStringLiteral("%1: not JSON: %2 at byte %3")
                                 .arg(shown, parseError.errorString())
                                 .arg(parseError.offset));
        return result;
    }
    QJsonArray entries;
    if (doc.isArray()) {
        entries = doc.array();
    } else {
        const QJsonObject top = doc.object();
        const JsonFields fields([&](const QString& field, const QString& reason) {
            result.errors.append(
                QStringLiteral("%1: %2 \"%3\"").arg(shown, reason, EscapeControls(field)));
        });
        fields.Each(top, [](const QString& key, const QJsonValue&) { return key == u"clocks"; });
        if (!top.value(u"clocks").isArray()) {
            result.errors.append(
                QStringLiteral("%1: needs \"clocks\": a list of clocks").arg(shown));
            return result;
        }
        entries = top.value(u"clocks").toArray();
    }
    if (entries.isEmpty())
        result.errors.append(QStringLiteral("%1: the list of clocks is empty").arg(shown));
    QSet<QString> names;
    for (int i = 0; i < entries.size(); ++i)
        ParseEntry(entries[i], i, fileName, readFile, names, result);
    if (!result.errors.isEmpty())
        result.clocks.clear();
    return result;
}

FleetParseResult ReadFleetFile(const QString& path)
{
    const SmallFileRead file = ReadSmallFile(path, MaxFleetFileBytes);
    if (!file.ok()) {
        FleetParseResult result;
        result.errors.append(QStringLiteral("%1: %2").arg(
            EscapeControls(path),
            file.tooLarge ? QStringLiteral("too large to be a fleet file") : file.problem));
        return result;
    }
    return ParseFleet(file.bytes, path, ReadSmallFile);
}

} // namespace tarvo
