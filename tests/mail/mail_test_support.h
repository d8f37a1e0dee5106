// The SMTP server the mail tests deliver to (tests/peers/smtp_server.py, aiosmtpd), started
// once for the test program, and the messages it reports.
#pragma once

#include "test_support.h"

#include <string>
#include <vector>

namespace mailtest {

testsupport::Peer& server();

struct Delivery {
    std::string from;
    std::vector<std::string> to;
    std::string content; // as the server keeps it, dot-stuffing undone
};

// The next message the server reports, waiting for it; empty when none comes.
Delivery nextDelivery();

} // namespace mailtest
