#include "print/cups_queues.h"

#include <cups/cups.h>

#include <algorithm>
#include <memory>

namespace rl {

namespace {

// Returning 0 tells libcups to stop waiting: a reply that has not come within
// the timeout is taken as no reply.
int giveUpWaiting(http_t*, void*) {
    return 0;
}

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpCloser>;

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// A private connection to the server with bounded connect and reply waits.
// libcups's shared connection (CUPS_HTTP_DEFAULT) would wait 30 s for a host
// that drops the connection request and forever for one that never answers.
Connection connectBounded() {
    Connection http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                 CupsQueues::ConnectTimeoutMs, nullptr));
    if (http) httpSetTimeout(http.get(), CupsQueues::ReplyTimeoutSeconds, giveUpWaiting, nullptr);
    return http;
}

// What cupsd calls a queue made without a driver.
bool isRawModel(const QString& makeAndModel) {
    return makeAndModel == QLatin1String("Local Raw Printer");
}

QString text(ipp_attribute_t* attribute) {
    const char* value = ippGetString(attribute, 0, nullptr);
    return value ? QString::fromUtf8(value) : QString();
}

// CUPS-Get-Printers: the queue names, device URIs and models in one request. Returns
// false when the server gave no usable answer.
bool loadPrinters(http_t* http, std::vector<CupsQueue>& queues) {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char* const wanted[] = {"printer-name", "device-uri", "printer-make-and-model"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    const IppMessage response(cupsDoRequest(http, request, "/")); // frees the request
    if (!response) return false;
    const ipp_status_t status = ippGetStatusCode(response.get());
    if (status == IPP_STATUS_ERROR_NOT_FOUND) return true; // the server's way of saying it has no queues
    if (status > IPP_STATUS_OK_CONFLICTING) return false;

    // Each printer is one group of attributes; groups are separated by an
    // attribute without a name or by a change of group tag.
    CupsQueue current;
    auto flush = [&] {
        if (!current.name.isEmpty()) queues.push_back(current);
        current = {};
    };
    for (ipp_attribute_t* attribute = ippFirstAttribute(response.get()); attribute;
         attribute = ippNextAttribute(response.get())) {
        const char* name = ippGetName(attribute);
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER || !name) {
            flush();
            continue;
        }
        const QByteArray key(name);
        if (key == "printer-name")
            current.name = text(attribute);
        else if (key == "device-uri")
            current.deviceUri = text(attribute);
        else if (key == "printer-make-and-model")
            current.raw = isRawModel(text(attribute));
    }
    flush();
    return true;
}

} // namespace

CupsQueueList CupsQueues::load() {
    CupsQueueList list;
    const Connection http = connectBounded();
    if (!http || !loadPrinters(http.get(), list.queues)) {
        list.queues.clear();
        return list;
    }
    list.reached = true;
    if (list.queues.empty()) return list;
    // NULL name: the user's default as lp would choose it (LPDEST, PRINTER,
    // lpoptions), else the server's.
    if (cups_dest_t* dest = cupsGetNamedDest(http.get(), nullptr, nullptr)) {
        list.defaultName = QString::fromUtf8(dest->name);
        cupsFreeDests(1, dest);
    }
    return list;
}

bool CupsQueues::reachable() {
    const Connection http = connectBounded();
    if (!http) return false;
    // A connection alone does not prove a scheduler is behind it: ask for
    // something cheap. Any IPP reply (even "no default") counts.
    const IppMessage response(cupsDoRequest(http.get(), ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
    return response != nullptr;
}

bool CupsQueues::acceptsJobs(const QString& queue, QString* reason) {
    auto refuse = [&](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    const Connection http = connectBounded();
    if (!http) return refuse(QStringLiteral("o servidor de impressão não responde"));
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.toUtf8().constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const wanted[] = {"printer-is-accepting-jobs", "printer-make-and-model"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    const IppMessage response(cupsDoRequest(http.get(), request, "/"));
    if (!response) return refuse(QStringLiteral("o servidor de impressão não responde"));
    if (ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING)
        return refuse(QString::fromUtf8(cupsLastErrorString()));
    ipp_attribute_t* accepting =
        ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (accepting && !ippGetBoolean(accepting, 0))
        return refuse(QStringLiteral("a fila não aceita trabalhos"));
    // A page (PDF) sent to a raw queue reaches a dot-matrix printer as pages of garbage.
    if (isRawModel(text(ippFindAttribute(response.get(), "printer-make-and-model", IPP_TAG_TEXT))))
        return refuse(
            QStringLiteral("é uma fila sem driver, que recebe só os bytes da impressora; imprima nela "
                           "com o filtro \"Impressora Matricial\" ou escolha outra impressora"));
    return true;
}

QString CupsQueues::lastSubmissionError() {
    if (cupsLastError() <= IPP_STATUS_OK_CONFLICTING) return {};
    return QString::fromUtf8(cupsLastErrorString());
}

bool CupsQueues::cancelNewestHeldJob(const QString& queue) {
    const Connection http = connectBounded();
    if (!http) return false;
    const QByteArray name = queue.toUtf8();
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(http.get(), &jobs, name.constData(), 1, CUPS_WHICHJOBS_ACTIVE);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        if (jobs[i].state == IPP_JSTATE_HELD) newest = std::max(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest > 0 && cupsCancelJob2(http.get(), name.constData(), newest, 1) <= IPP_STATUS_OK_CONFLICTING;
}

void CupsQueues::forgetServer() {
    cupsSetServer(nullptr);
}

} // namespace rl
