// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The head of an HTTP/1.x request as the metrics server reads it, and the
// answers it writes. Pure: bytes in, a plain value out. Strict on purpose:
// the server answers GET for Prometheus and a person, so whatever is odd
// (an over-long head, a body, a folded header, a bare CR) is refused rather
// than guessed at, and nothing grows with what a client sends.

#include <QByteArray>
#include <QByteArrayView>

namespace tarvo
{

// The request line and headers together, blank line included.
inline constexpr qsizetype kHttpHeadLimit = 8192;
inline constexpr int kHttpHeaderCountLimit = 100;

struct HttpRequestHead {
    enum class Result { Incomplete, Complete, Bad };
    Result result = Result::Incomplete;
    int status = 0;       // with Bad: the answer before closing (400, 414, 431, 505)
    qsizetype length = 0; // with Complete: the bytes of the head
    QByteArray method;
    QByteArray path; // the target's path, without its query
    bool keepAlive = false;
    bool hasBody = false;     // Content-Length above 0, or any Transfer-Encoding
    QByteArray authorization; // the Authorization header's value, if any
};

// Reads the head at the start of `buffer` (which may hold the start of a
// pipelined request after it). Incomplete while the head may still end
// within kHttpHeadLimit; a line already known to be wrong is Bad at once.
HttpRequestHead ParseRequestHead(QByteArrayView buffer);

// A whole response with its Content-Length; `extraHeaders` are whole lines,
// each ending in CRLF. With `headOnly` (a HEAD request) the body is left out.
QByteArray HttpResponse(int status, QByteArrayView contentType, QByteArrayView body, bool close,
                        QByteArrayView extraHeaders = {}, bool headOnly = false);

} // namespace tarvo
