#include "emulator/pcsc/VpcdLink.h"

#include "emulator/model/HexText.h"
#include "mifare/StorageCardAtr.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kov450::pcsc {

namespace {
// A reader looks at its field a few times a second; so does this link, for changes that come
// from elsewhere than the console and the window, and to find vpcd once pcscd is up.
constexpr std::chrono::milliseconds kFieldCheck{250};
} // namespace

VpcdLink::VpcdLink(asio::io_context& io, const Reader& reader, VpcdEndpoint endpoint, Print print,
                   CardPort& port)
    : io_(io), reader_(reader), endpoint_(std::move(endpoint)), print_(std::move(print)),
      port_(port), socket_(io), fieldTimer_(io) {
}

VpcdLink::~VpcdLink() {
    std::error_code ignored;
    socket_.close(ignored);
}

void VpcdLink::start() {
    followField();
    checkFieldLater();
}

void VpcdLink::checkFieldLater() {
    fieldTimer_.expires_after(kFieldCheck);
    fieldTimer_.async_wait([this](const asio::error_code& error) {
        if (error) {
            return;
        }
        followField();
        checkFieldLater();
    });
}

std::optional<Uid> VpcdLink::cardInField() const {
    for (const CardSlot& slot : reader_.cards()) {
        if (slot.inField) {
            return slot.card.uid();
        }
    }
    return std::nullopt;
}

const MifareClassic* VpcdLink::servedCard() const {
    if (!served_) {
        return nullptr;
    }
    const auto index = reader_.findCard(*served_);
    if (!index || !reader_.cards()[*index].inField) {
        return nullptr;
    }
    return &reader_.cards()[*index].card;
}

void VpcdLink::followField() {
    const auto wanted = cardInField();
    if (served_ && served_ != wanted) {
        disconnect("card " + hexText(*served_) + " left the field");
    }
    if (wanted && !served_) {
        connect(*wanted);
    }
}

void VpcdLink::connect(const Uid& uid) {
    served_ = uid;
    const unsigned generation = ++generation_;
    asio::error_code error;
    const auto address = asio::ip::make_address(endpoint_.host, error);
    if (error) {
        print_("pcsc: error: " + endpoint_.host + " is no IP address");
        return;
    }
    socket_.async_connect(asio::ip::tcp::endpoint(address, endpoint_.port),
                          [this, generation, uid](const asio::error_code& connectError) {
                              if (generation != generation_) {
                                  return;
                              }
                              if (connectError) {
                                  // vpcd is not listening yet (no pcscd): the next field check
                                  // tries again.
                                  if (!reportedUnreachable_) {
                                      print_("pcsc: vpcd at " + describe(endpoint_) +
                                             " does not answer: " + connectError.message() +
                                             "; trying again");
                                      reportedUnreachable_ = true;
                                  }
                                  std::error_code ignored;
                                  socket_.close(ignored);
                                  served_.reset();
                                  return;
                              }
                              reportedUnreachable_ = false;
                              connected_ = true;
                              asio::error_code ignored;
                              socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
                              print_("pcsc: card " + hexText(uid) +
                                     " served over PC/SC to vpcd at " + describe(endpoint_));
                              readMore();
                          });
}

void VpcdLink::disconnect(const std::string& why) {
    ++generation_;
    std::error_code ignored;
    socket_.close(ignored);
    decoder_ = VpcdDecoder{};
    unanswered_.clear();
    outgoing_.clear();
    waitingBytes_ = 0;
    reading_ = false;
    writing_ = false;
    reportedNoReader_ = false;
    if (connected_) {
        print_("pcsc: " + why + ": no card for vpcd");
    }
    connected_ = false;
    served_.reset();
}

void VpcdLink::readMore() {
    reading_ = true;
    // vpcd sends a message's length and its bytes apart: with our ACK delayed, Nagle holds the
    // bytes back some 40 ms. Acknowledge at once; Linux forgets this after a while, so each time.
    const int quick = 1;
    ::setsockopt(socket_.native_handle(), IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
    const unsigned generation = generation_;
    socket_.async_read_some(asio::buffer(buffer_), [this, generation](const asio::error_code& error,
                                                                      std::size_t received) {
        if (generation != generation_) {
            return;
        }
        reading_ = false;
        if (error) {
            // vpcd closed (pcscd stopped): connect again at the next field check.
            disconnect("vpcd closed the connection (" + error.message() + ")");
            return;
        }
        auto decoded = decoder_.feed(std::span(buffer_).first(received));
        if (decoded.overlong) {
            disconnect("vpcd sent a message longer than any command");
            return;
        }
        for (auto& message : decoded.messages) {
            unanswered_.push_back(std::move(message));
        }
        answerWaiting();
    });
}

void VpcdLink::answerWaiting() {
    const unsigned generation = generation_;
    while (!unanswered_.empty() && waitingBytes_ < kMostWaitingBytes) {
        const std::vector<std::uint8_t> message = std::move(unanswered_.front());
        unanswered_.pop_front();
        onMessage(message);
        if (generation != generation_) {
            return;
        }
    }
    if (waitingBytes_ >= kMostWaitingBytes) {
        // vpcd waits for each answer before its next command: this peer sends without reading.
        if (!reportedNoReader_) {
            print_("pcsc: vpcd reads no answers; no more of its commands are taken until it does");
            reportedNoReader_ = true;
        }
        return;
    }
    reportedNoReader_ = reportedNoReader_ && waitingBytes_ > 0;
    if (unanswered_.empty() && !reading_) {
        readMore();
    }
}

void VpcdLink::onMessage(const std::vector<std::uint8_t>& message) {
    const MifareClassic* card = servedCard();
    if (card == nullptr) {
        disconnect("the served card is gone");
        return;
    }
    const Uid uid = card->uid();
    if (message.size() == 1) {
        switch (static_cast<VpcdControl>(message[0])) {
        case VpcdControl::PowerOn:
        case VpcdControl::Reset:
            port_.power(uid, true);
            break;
        case VpcdControl::PowerOff:
            port_.power(uid, false);
            break;
        case VpcdControl::Atr:
            send(mifare::storageCardAtr(card->kind()));
            break;
        }
        return;
    }
    const unsigned generation = generation_;
    const std::vector<std::uint8_t> answer = port_.command(uid, message);
    // The port lets this link follow the field; an answer for a card gone meanwhile stays here.
    if (generation == generation_) {
        send(answer);
    }
}

void VpcdLink::send(std::span<const std::uint8_t> payload) {
    outgoing_.push_back(vpcdMessage(payload));
    waitingBytes_ += outgoing_.back().size();
    writeNext();
}

void VpcdLink::writeNext() {
    if (writing_ || outgoing_.empty()) {
        return;
    }
    writing_ = true;
    const unsigned generation = generation_;
    asio::async_write(socket_, asio::buffer(outgoing_.front()),
                      [this, generation](const asio::error_code& error, std::size_t) {
                          if (generation != generation_) {
                              return;
                          }
                          writing_ = false;
                          if (error) {
                              disconnect("vpcd went away (" + error.message() + ")");
                              return;
                          }
                          waitingBytes_ -= outgoing_.front().size();
                          outgoing_.pop_front();
                          writeNext();
                          answerWaiting();
                      });
}

} // namespace kov450::pcsc
