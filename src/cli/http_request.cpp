// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/http_request.h"

#include <QList>

namespace tarvo
{

namespace
{

using Result = HttpRequestHead::Result;

// RFC 9110's token characters (method and header names).
bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool IsToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!IsTokenChar(c))
            return false;
    }
    return true;
}

HttpRequestHead Bad(int status)
{
    HttpRequestHead head;
    head.result = Result::Bad;
    head.status = status;
    return head;
}

bool HasToken(QByteArrayView list, QByteArrayView token)
{
    for (const QByteArray& part : list.toByteArray().split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The request line: METHOD SP TARGET SP HTTP/1.x; false leaves the status.
bool ReadRequestLine(QByteArrayView line, HttpRequestHead* head, bool* http11, int* status)
{
    *status = 400;
    const qsizetype firstSpace = line.indexOf(' ');
    const qsizetype lastSpace = line.lastIndexOf(' ');
    if (firstSpace <= 0 || lastSpace == firstSpace)
        return false;
    const QByteArrayView method = line.first(firstSpace);
    QByteArrayView target = line.sliced(firstSpace + 1, lastSpace - firstSpace - 1);
    const QByteArrayView version = line.sliced(lastSpace + 1);
    if (!IsToken(method) || target.isEmpty())
        return false;
    for (char c : target) {
        if (c <= ' ' || c == 0x7f)
            return false;
    }
    if (version == "HTTP/1.1" || version == "HTTP/1.0") {
        *http11 = version == "HTTP/1.1";
    } else {
        const bool wellFormed = version.size() == 8 && version.startsWith("HTTP/") &&
                                std::isdigit(uchar(version[5])) && version[6] == '.' &&
                                std::isdigit(uchar(version[7]));
        *status = wellFormed ? 505 : 400;
        return false;
    }
    // The absolute form (a proxy's) names the same path after its authority.
    for (QByteArrayView scheme : {QByteArrayView("http://"), QByteArrayView("https://")}) {
        if (target.startsWith(scheme)) {
            target = target.sliced(scheme.size());
            const qsizetype slash = target.indexOf('/');
            target = slash < 0 ? QByteArrayView("/") : target.sliced(slash);
        }
    }
    if (!target.startsWith('/') && target != "*")
        return false;
    const qsizetype query = target.indexOf('?');
    head->method = method.toByteArray();
    head->path = (query < 0 ? target : target.first(query)).toByteArray();
    return true;
}

} // namespace

HttpRequestHead ParseRequestHead(QByteArrayView buffer)
{
    HttpRequestHead head;
    bool http11 = false;
    bool close = false;
    bool keepAliveAsked = false;
    int hosts = 0;
    int headers = 0;
    int authorizations = 0;
    QByteArrayView contentLength;
    qsizetype at = 0;
    for (int lineNumber = 0;; ++lineNumber) {
        const qsizetype newline = buffer.indexOf('\n', at);
        if (newline < 0 || newline >= kHttpHeadLimit) {
            if (buffer.size() < kHttpHeadLimit)
                return head;
            return Bad(lineNumber == 0 ? 414 : 431);
        }
        QByteArrayView line = buffer.sliced(at, newline - at);
        if (line.endsWith('\r'))
            line.chop(1);
        at = newline + 1;
        if (line.contains('\r') || line.contains('\0'))
            return Bad(400);
        if (lineNumber == 0) {
            int status = 400;
            if (!ReadRequestLine(line, &head, &http11, &status))
                return Bad(status);
            continue;
        }
        if (line.isEmpty())
            break;
        if (++headers > kHttpHeaderCountLimit)
            return Bad(431);
        // No folded lines, no space before the colon.
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !IsToken(line.first(colon)))
            return Bad(400);
        const QByteArrayView name = line.first(colon);
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        for (char c : value) {
            if (uchar(c) < ' ' && c != '\t')
                return Bad(400);
        }
        const auto is = [name](const char* known) {
            return name.compare(QByteArrayView(known), Qt::CaseInsensitive) == 0;
        };
        if (is("Host")) {
            ++hosts;
        } else if (is("Connection")) {
            close = close || HasToken(value, "close");
            keepAliveAsked = keepAliveAsked || HasToken(value, "keep-alive");
        } else if (is("Content-Length")) {
            if (value.isEmpty() || (!contentLength.isNull() && contentLength != value))
                return Bad(400);
            for (char c : value) {
                if (!std::isdigit(uchar(c)))
                    return Bad(400);
            }
            contentLength = value;
            head.hasBody = head.hasBody || value.count('0') != value.size();
        } else if (is("Transfer-Encoding")) {
            head.hasBody = true;
        } else if (is("Authorization")) {
            ++authorizations;
            head.authorization = value.toByteArray();
        }
    }
    // HTTP/1.1 names its host exactly once; two Authorization headers are
    // two answers to one question.
    if ((http11 && hosts != 1) || hosts > 1 || authorizations > 1)
        return Bad(400);
    head.result = Result::Complete;
    head.length = at;
    head.keepAlive = http11 ? !close : keepAliveAsked && !close;
    return head;
}

QByteArray HttpResponse(int status, QByteArrayView contentType, QByteArrayView body, bool close,
                        QByteArrayView extraHeaders, bool headOnly)
{
    static const QList<QPair<int, const char*>> reasons = {
        {200, "OK"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {408, "Request Timeout"},
        {413, "Content Too Large"},
        {414, "URI Too Long"},
        {431, "Request Header Fields Too Large"},
        {503, "Service Unavailable"},
        {505, "HTTP Version Not Supported"},
    };
    const char* reason = "Error";
    for (const auto& [code, text] : reasons) {
        if (code == status)
            reason = text;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    if (!contentType.isEmpty())
        out += "Content-Type: " + contentType.toByteArray() + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (close)
        out += "Connection: close\r\n";
    out += extraHeaders.toByteArray() + "\r\n";
    if (!headOnly)
        out += body.toByteArray();
    return out;
}

} // namespace tarvo
