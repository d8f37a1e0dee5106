#include "mail_test_support.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mailtest {

namespace {
std::string Pending; // output of the server not yet taken
}

testsupport::Peer& server() {
    static testsupport::Peer peer("/usr/bin/python3", {testsupport::peerScript("smtp_server.py")});
    return peer;
}

Delivery nextDelivery() {
    const std::string marker = "MESSAGE ";
    size_t start = 0, eol = 0;
    const auto complete = [&] {
        Pending += server().output();
        start = Pending.find(marker);
        eol = start == std::string::npos ? start : Pending.find('\n', start);
        return eol != std::string::npos;
    };
    Delivery d;
    if (!testsupport::waitUntil(complete, 10000)) return d;
    start += marker.size();
    const std::string json = Pending.substr(start, eol - start);
    Pending.erase(0, eol + 1);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    d.from = o["mail_from"].toString().toStdString();
    for (const auto& r : o["rcpt_tos"].toArray())
        d.to.push_back(r.toString().toStdString());
    d.content = QByteArray::fromBase64(o["content"].toString().toLatin1()).toStdString();
    return d;
}

} // namespace mailtest
