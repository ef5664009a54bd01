#include "tools/chatdb/ChatDBGenerator.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/SQLiteError.hpp"
#include "tools/chatdb/ArchivedStringBlob.hpp"
#include "tools/chatdb/ChatDBWriter.hpp"
#include "tools/chatdb/SeededRandom.hpp"

namespace kindora {

namespace {

constexpr std::int64_t nanosecondsPerSecond = 1'000'000'000;

constexpr std::array<std::string_view, 40> words{
    "hi",     "are",     "you",    "coming", "home", "tonight", "dinner", "is",    "ready",  "at",
    "seven",  "call",    "me",     "when",   "free", "love",    "thanks", "ok",    "see",    "soon",
    "school", "pick-up", "moved",  "to",     "four", "café",    "naïve",  "über",  "привет", "日本",
    "👍",      "🎉",       "❤️", "ça",     "va",   "mañana",  "doctor", "bring", "the",    "keys"};

constexpr std::array<std::string_view, 6> groupNames{"Family", "Book club", "Soccer parents",
                                                     "",       "Cousins",   "Ω team"};

struct Conversation {
    std::int64_t chatID;
    std::int64_t handleID;
    std::string service;
};

std::string guidFrom(SeededRandom& random) {
    const std::uint64_t high = random.next();
    const std::uint64_t low = random.next();
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text.data();
}

std::string sentence(SeededRandom& random, std::size_t minimumBytes) {
    std::string text;
    const auto wordCount = static_cast<std::size_t>(random.between(1, 14));
    for (std::size_t index = 0; index < wordCount || text.size() < minimumBytes; ++index) {
        if (!text.empty()) {
            text += ' ';
        }
        text += words[random.below(words.size())];
    }
    return text;
}

// Text bytes that are not UTF-8: Latin-1 as older software wrote it, and a torn multi-byte sequence.
std::string invalidUtf8(SeededRandom& random) {
    return random.chance(500) ? std::string("caf\xE9 au lait \xE0 7h")
                              : std::string("see you \xF0\x9F\x98 soon");
}

// Who and what; dates and content are filled in by the caller.
class Population {
public:
    Population(ChatDBWriter& writer, SeededRandom& random, std::int64_t messages) {
        const std::int64_t handleCount = std::min<std::int64_t>(200, 8 + messages / 50);
        for (std::int64_t index = 0; index < handleCount; ++index) {
            std::array<char, 48> id{};
            if (index % 3 == 2) {
                std::snprintf(id.data(), id.size(), "person%lld@example.com", static_cast<long long>(index));
            } else {
                std::snprintf(id.data(), id.size(), "+1555%07lld",
                              static_cast<long long>(1000000 + index * 7919));
            }
            const std::string service = index % 4 == 3 ? "SMS" : "iMessage";
            const std::int64_t handleID = writer.addHandle(id.data(), service);
            const std::int64_t chatID =
                writer.addChat(service + ";-;" + id.data(), 45, id.data(), std::string{}, service);
            direct_.push_back({chatID, handleID, service});
        }
        const std::int64_t groupCount = std::max<std::int64_t>(2, handleCount / 4);
        for (std::int64_t index = 0; index < groupCount; ++index) {
            std::array<char, 32> identifier{};
            std::snprintf(identifier.data(), identifier.size(), "chat%018llu",
                          static_cast<unsigned long long>(random.next() % 1000000000000000000ULL));
            const std::string_view name = groupNames[static_cast<std::size_t>(index) % groupNames.size()];
            const std::int64_t chatID = writer.addChat(std::string("iMessage;+;") + identifier.data(), 43,
                                                       identifier.data(), std::string(name), "iMessage");
            groups_.push_back(chatID);
        }
    }

    const Conversation& direct(SeededRandom& random) const { return direct_[random.below(direct_.size())]; }
    std::int64_t group(SeededRandom& random) const { return groups_[random.below(groups_.size())]; }
    std::int64_t handleCount() const { return static_cast<std::int64_t>(direct_.size()); }

private:
    std::vector<Conversation> direct_;
    std::vector<std::int64_t> groups_;
};

// Puts a text into the message the way Messages does: in `text`, in `attributedBody`, or both.
void fillContent(NewMessage& message, SeededRandom& random) {
    const std::uint64_t shape = random.below(10000);
    std::string text;
    if (shape < 5) {
        text = sentence(random,
                        static_cast<std::size_t>(random.between(13000, 16000)));  // over 10000 characters
    } else if (shape < 500) {
        text = sentence(random, static_cast<std::size_t>(random.between(128, 2000)));
    } else if (shape < 502) {
        text = sentence(random, static_cast<std::size_t>(random.between(2000, 65535)));
    } else {
        text = sentence(random, 0);
    }
    const std::uint64_t form = random.below(1000);
    if (form < 5) {
        message.text = invalidUtf8(random);
    } else if (form < 400) {
        message.text = text;
        message.attributedBody = ArchivedStringBlob::make(text);
    } else if (form < 650) {
        message.text = text;
    } else if (form < 980) {
        const auto stringClass = random.chance(200) ? ArchivedStringBlob::StringClass::plainString
                                                    : ArchivedStringBlob::StringClass::mutableString;
        message.attributedBody = ArchivedStringBlob::make(text, stringClass);
    } else {
        // Blobs only a full archive decoder could read, or none at all.
        switch (random.below(4)) {
            case 0:
                message.attributedBody = ArchivedStringBlob::withWideLength(text);
                break;
            case 1:
                message.attributedBody = ArchivedStringBlob::truncated(text);
                break;
            case 2:
                message.attributedBody = ArchivedStringBlob::keyedArchive(text);
                break;
            default:
                message.attributedBody = ArchivedStringBlob::make(invalidUtf8(random));
                break;
        }
    }
}

std::optional<std::string> serviceFor(const Conversation& conversation, SeededRandom& random) {
    const std::uint64_t draw = random.below(1000);
    if (draw < 30) {
        return std::string("RCS");
    }
    if (draw < 35) {
        return std::string("imessage");
    }
    if (draw < 40) {
        return std::nullopt;
    }
    return conversation.service;
}

}  // namespace

Date ChatDBGenerator::createdUntil() {
    return dateFromSecondsSinceEpoch(1796083200.0);  // 2026-12-01T00:00:00Z
}

void ChatDBGenerator::create(const std::string& path, std::int64_t messages, std::uint64_t seed) {
    ChatDBWriter writer = ChatDBWriter::create(path);
    SeededRandom random(seed);
    writer.execute("PRAGMA synchronous=OFF");
    writer.execute("BEGIN");
    const Population population(writer, random, messages);

    // Messages are spaced 1 to 120 s apart and end at createdUntil(); the oldest 5% carry dates in
    // seconds, as databases from before the nanosecond format do.
    SeededRandom spacing(seed ^ 0xDA7EDA7EULL);
    std::vector<std::int64_t> gaps(static_cast<std::size_t>(messages));
    std::int64_t span = 0;
    for (std::int64_t& gap : gaps) {
        gap = spacing.between(1, 120) * nanosecondsPerSecond;
        span += gap;
    }
    std::int64_t date = AppleTime::nanoseconds(createdUntil()) - span;
    std::vector<std::string> guids;
    guids.reserve(static_cast<std::size_t>(messages));
    for (std::int64_t rowID = 1; rowID <= messages; ++rowID) {
        date += gaps[static_cast<std::size_t>(rowID - 1)];
        const bool oldFormat = rowID <= messages / 20;
        const auto stored = [&](std::int64_t nanoseconds) {
            return oldFormat ? nanoseconds / nanosecondsPerSecond : nanoseconds;
        };
        const bool inGroup = random.chance(250);
        const Conversation& conversation = population.direct(random);
        const std::int64_t chatID = inGroup ? population.group(random) : conversation.chatID;

        NewMessage message;
        message.rowID = rowID;
        message.guid = guidFrom(random);
        message.date = stored(date);
        message.handleID = conversation.handleID;
        message.service = serviceFor(conversation, random);
        message.isFromMe = random.chance(250);
        const std::uint64_t kind = random.below(1000);
        if (kind < 30 && !guids.empty()) {
            message.associatedMessageType = random.between(2000, 2005);
            message.associatedMessageGUID = "p:0/" + guids[random.below(guids.size())];
            message.text = "Liked “" + sentence(random, 0) + "”";
        } else if (kind < 40) {
            message.itemType = random.between(1, 3);
        } else {
            fillContent(message, random);
        }
        if (message.isFromMe) {
            message.handleID = inGroup ? 0 : conversation.handleID;
        } else if (random.chance(10)) {
            message.handleID = random.chance(500) ? 0 : population.handleCount() + 1000;  // points nowhere
        }
        if (!message.isFromMe && random.chance(850)) {
            message.isRead = 1;
            message.dateRead = stored(date + random.between(5, 3600) * nanosecondsPerSecond);
        }
        writer.addMessage(message);
        writer.joinChat(chatID, rowID, message.date);
        if (random.chance(10)) {
            // The same message in a second chat, as when a conversation was merged.
            writer.joinChat(inGroup ? conversation.chatID : population.group(random), rowID, message.date);
        }
        guids.push_back(message.guid);
    }
    writer.execute("COMMIT");
    writer.execute("ANALYZE");
}

ChatDBGenerator::AppendSummary ChatDBGenerator::append(const std::string& path, std::int64_t count,
                                                       std::uint64_t seed, Date now,
                                                       const std::optional<std::string>& firstText) {
    ChatDBWriter writer = ChatDBWriter::open(path);
    AppendSummary summary;
    writer.execute("BEGIN IMMEDIATE");
    try {
        const std::int64_t maxRowID = writer.queryInt64("SELECT MAX(ROWID) FROM message");
        SeededRandom random(seed ^ static_cast<std::uint64_t>(maxRowID) * 0x9E3779B97F4A7C15ULL);
        const std::int64_t chats = writer.queryInt64("SELECT COUNT(*) FROM chat WHERE style = 45");
        const std::int64_t nowNanoseconds = AppleTime::nanoseconds(now);
        for (std::int64_t index = 0; index < count; ++index) {
            // A one-to-one chat and its handle, chosen among those the database has.
            const std::int64_t chatRow = random.between(1, std::max<std::int64_t>(chats, 1));
            const std::int64_t chatID =
                writer.queryInt64("SELECT ROWID FROM chat WHERE style = 45 ORDER BY ROWID LIMIT 1 OFFSET " +
                                  std::to_string(chatRow - 1));
            const std::int64_t handleID = writer.queryInt64(
                "SELECT h.ROWID FROM handle h JOIN chat c ON c.chat_identifier = h.id WHERE c.ROWID = " +
                std::to_string(chatID) + " LIMIT 1");
            NewMessage message;
            message.guid = guidFrom(random);
            message.date = nowNanoseconds + index;
            message.handleID = handleID;
            const bool overSMS =
                writer.queryInt64("SELECT COUNT(*) FROM handle WHERE service = 'SMS' AND ROWID = " +
                                  std::to_string(handleID)) > 0;
            message.service = overSMS ? "SMS" : "iMessage";
            fillContent(message, random);
            if (index == 0 && firstText) {
                message.text = *firstText;
                message.attributedBody.reset();
            }
            const std::int64_t rowID = writer.addMessage(message);
            if (chatID != 0) {
                writer.joinChat(chatID, rowID, message.date);
            }
            if (summary.firstInboundRowID == 0) {
                summary.firstInboundRowID = rowID;
            }
            summary.lastRowID = rowID;
            ++summary.inbound;
            if (random.chance(300) && chatID != 0) {
                NewMessage reply;
                reply.guid = guidFrom(random);
                reply.date = message.date + 1;
                reply.handleID = handleID;
                reply.service = message.service;
                reply.isFromMe = true;
                reply.text = sentence(random, 0);
                summary.lastRowID = writer.addMessage(reply);
                writer.joinChat(chatID, summary.lastRowID, reply.date);
                ++summary.replies;
            }
        }
        // The user reads some of what was waiting, the newest first.
        writer.execute("UPDATE message SET is_read = 1, date_read = " + std::to_string(nowNanoseconds) +
                       " WHERE ROWID IN (SELECT ROWID FROM message WHERE is_from_me = 0 AND is_read = 0 AND "
                       "ROWID < " +
                       std::to_string(summary.firstInboundRowID) + " ORDER BY ROWID DESC LIMIT " +
                       std::to_string(count / 2) + ")");
        summary.reads = writer.queryInt64("SELECT changes()");
        writer.execute("COMMIT");
    } catch (...) {
        try {
            writer.execute("ROLLBACK");
        } catch (const SQLiteError&) {
            // SQLite already rolled the transaction back; the original error is the one to report.
        }
        throw;
    }
    return summary;
}

}  // namespace kindora
