#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteError.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"
#include "tools/chatdb/ArchivedStringBlob.hpp"

namespace kindora {
namespace {

class ChatDBReaderTest : public testing::MessagesDatabaseFixture {
protected:
    std::vector<std::int64_t> rowIDs(const InboundFetchResult& result) const {
        std::vector<std::int64_t> ids;
        for (const MessageRow& row : result.rows) {
            ids.push_back(row.rowID);
        }
        return ids;
    }

    ChatDBReader reader{path};
};

TEST_F(ChatDBReaderTest, InboundMapsEveryColumnOfAMessage) {
    const std::int64_t handle = addContact("+15550001", "SMS");
    NewMessage message;
    message.guid = "GUID-1";
    message.text = "dinner at seven";
    message.attributedBody = ArchivedStringBlob::make("dinner at seven");
    message.handleID = handle;
    message.service = "SMS";
    message.date = 700000000000000000;
    message.isRead = 1;
    message.dateRead = 700000000500000000;
    const std::int64_t rowID = add(message, lastChatID);

    const InboundFetchResult result = reader.fetchInbound(0, 100);

    MessageRow expected;
    expected.rowID = rowID;
    expected.guid = "GUID-1";
    expected.text = "dinner at seven";
    expected.attributedBody = message.attributedBody;
    expected.date = AppleTime::date(700000000);
    expected.service = Service::sms();
    expected.senderHandle = "+15550001";
    expected.chatIdentifier = "+15550001";
    expected.chatDisplayName = "";
    expected.isGroup = false;
    expected.isRead = true;
    EXPECT_EQ(result, (InboundFetchResult{{expected}, rowID}));
}

TEST_F(ChatDBReaderTest, InboundKeepsOnlyOrdinaryMessagesFromOthers) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t chat = lastChatID;
    const std::int64_t ordinary = addInbound(handle, chat, "ordinary");
    NewMessage outbound;
    outbound.guid = "outbound";
    outbound.isFromMe = true;
    add(outbound, chat);
    NewMessage reaction;
    reaction.guid = "reaction";
    reaction.handleID = handle;
    reaction.associatedMessageType = 2001;
    reaction.associatedMessageGUID = "p:0/ordinary";
    add(reaction, chat);
    NewMessage groupEvent;
    groupEvent.guid = "group-event";
    groupEvent.handleID = handle;
    groupEvent.itemType = 1;
    add(groupEvent, chat);
    NewMessage unsetAssociation;
    unsetAssociation.guid = "no-association";
    unsetAssociation.handleID = handle;
    unsetAssociation.associatedMessageType = std::nullopt;
    const std::int64_t unset = add(unsetAssociation, chat);

    const InboundFetchResult result = reader.fetchInbound(0, 100);
    EXPECT_EQ(rowIDs(result), (std::vector<std::int64_t>{ordinary, unset}));
    EXPECT_EQ(result.highestScannedRowID, unset);
    EXPECT_EQ(reader.countInbound(0, 100), 2);
}

TEST_F(ChatDBReaderTest, AMessageInTwoChatsIsListedOnceWithItsFirstChatAndUsesTwoRowsOfTheLimit) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t direct = lastChatID;
    const std::int64_t group = addGroup("chat123", "Family");
    const std::int64_t both = addInbound(handle, direct, "both");
    writer.joinChat(group, both, 0);
    const std::int64_t next = addInbound(handle, group, "next");

    const InboundFetchResult first = reader.fetchInbound(0, 2);
    ASSERT_EQ(rowIDs(first), (std::vector<std::int64_t>{both}));
    EXPECT_EQ(first.rows[0].chatIdentifier, "+15550001");
    EXPECT_FALSE(first.rows[0].isGroup);
    EXPECT_EQ(first.highestScannedRowID, both);

    const InboundFetchResult all = reader.fetchInbound(0, 3);
    EXPECT_EQ(rowIDs(all), (std::vector<std::int64_t>{both, next}));
    EXPECT_EQ(all.rows[1].chatDisplayName, "Family");
    EXPECT_TRUE(all.rows[1].isGroup);
    // Counting does not join chats, so the message counts once.
    EXPECT_EQ(reader.countInbound(0, 100), 2);
}

TEST_F(ChatDBReaderTest, RowsWithoutSenderOrGuidAreSkippedButStillScanned) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t emptyHandle = addContact("");
    const std::int64_t chat = lastChatID;
    const std::int64_t kept = addInbound(handle, chat, "kept");
    addInbound(handle + 1000, chat, "handle-points-nowhere");
    addInbound(0, chat, "no-handle");
    addInbound(emptyHandle, chat, "empty-handle");
    const std::int64_t emptyGuid = addInbound(handle, chat, "");

    const InboundFetchResult result = reader.fetchInbound(0, 100);
    EXPECT_EQ(rowIDs(result), (std::vector<std::int64_t>{kept}));
    EXPECT_EQ(result.highestScannedRowID, emptyGuid);
    // A page of nothing but unusable rows still tells how far it reached.
    EXPECT_EQ(reader.fetchInbound(kept, 2), (InboundFetchResult{{}, kept + 2}));
    // The count leaves out only rows without a handle; the empty handle and empty GUID still count.
    EXPECT_EQ(reader.countInbound(0, 100), 3);
    EXPECT_EQ(reader.countInbound(0, 2), 2);
}

TEST_F(ChatDBReaderTest, NothingAfterTheWatermarkGivesTheWatermarkBack) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t last = addInbound(handle, lastChatID, "only");
    EXPECT_EQ(reader.fetchInbound(last, 100), (InboundFetchResult{{}, last}));
    EXPECT_EQ(reader.fetchInbound(last + 50, 100), (InboundFetchResult{{}, last + 50}));
    EXPECT_EQ(reader.countInbound(last, 100), 0);
}

TEST_F(ChatDBReaderTest, DatesInSecondsAndNanosecondsReadAlike) {
    const std::int64_t handle = addContact("+15550001");
    NewMessage seconds;
    seconds.guid = "seconds";
    seconds.handleID = handle;
    seconds.date = 700000000;
    add(seconds, lastChatID);
    NewMessage nanoseconds = seconds;
    nanoseconds.guid = "nanoseconds";
    nanoseconds.date = 700000000000000000;
    add(nanoseconds, lastChatID);

    const InboundFetchResult result = reader.fetchInbound(0, 100);
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(result.rows[0].date, result.rows[1].date);
    EXPECT_EQ(result.rows[0].date, AppleTime::date(700000000));
}

TEST_F(ChatDBReaderTest, ServiceColumnMapsCaseSensitively) {
    const std::int64_t handle = addContact("+15550001");
    const std::pair<std::optional<std::string>, Service> cases[] = {
        {"iMessage", Service::imessage()},        {"SMS", Service::sms()},
        {"imessage", Service::other("imessage")}, {"sms", Service::other("sms")},
        {"RCS", Service::other("RCS")},           {std::nullopt, Service::other("")},
    };
    for (const auto& [column, expected] : cases) {
        NewMessage message;
        message.guid = "G-" + column.value_or("null");
        message.handleID = handle;
        message.service = column;
        add(message, lastChatID);
    }
    const InboundFetchResult result = reader.fetchInbound(0, 100);
    ASSERT_EQ(result.rows.size(), std::size(cases));
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        EXPECT_EQ(result.rows[index].service, cases[index].second) << cases[index].first.value_or("NULL");
    }
}

TEST_F(ChatDBReaderTest, GroupAndReadFlagsNeedTheirExactValues) {
    const std::int64_t handle = addContact("+15550001");
    struct Case {
        std::optional<std::int64_t> style;
        std::optional<std::int64_t> isRead;
        bool isGroup;
        bool read;
    };
    const Case cases[] = {{43, 1, true, true},
                          {45, 0, false, false},
                          {std::nullopt, std::nullopt, false, false},
                          {44, 2, false, false}};
    int index = 0;
    for (const Case& flags : cases) {
        const std::int64_t chat = addGroup("chat" + std::to_string(index), std::nullopt, flags.style);
        NewMessage message;
        message.guid = "G" + std::to_string(index++);
        message.handleID = handle;
        message.isRead = flags.isRead;
        add(message, chat);
    }
    const InboundFetchResult result = reader.fetchInbound(0, 100);
    ASSERT_EQ(result.rows.size(), std::size(cases));
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        EXPECT_EQ(result.rows[row].isGroup, cases[row].isGroup) << row;
        EXPECT_EQ(result.rows[row].isRead, cases[row].read) << row;
        EXPECT_EQ(result.rows[row].chatDisplayName, std::nullopt) << row;
    }
}

TEST_F(ChatDBReaderTest, AMessageInNoChatHasNoChatColumns) {
    const std::int64_t handle = addContact("+15550001");
    addInbound(handle, 0, "loose");
    const InboundFetchResult result = reader.fetchInbound(0, 100);
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].chatIdentifier, std::nullopt);
    EXPECT_EQ(result.rows[0].chatDisplayName, std::nullopt);
    EXPECT_FALSE(result.rows[0].isGroup);
}

TEST_F(ChatDBReaderTest, BestTextFallsBackToTheAttributedBody) {
    const std::int64_t handle = addContact("+15550001");
    NewMessage bodyOnly;
    bodyOnly.guid = "body-only";
    bodyOnly.handleID = handle;
    bodyOnly.text = std::nullopt;
    bodyOnly.attributedBody = ArchivedStringBlob::make("from the body");
    add(bodyOnly, lastChatID);
    NewMessage unreadable = bodyOnly;
    unreadable.guid = "unreadable";
    unreadable.attributedBody = ArchivedStringBlob::truncated("lost");
    add(unreadable, lastChatID);
    NewMessage both = bodyOnly;
    both.guid = "both";
    both.text = "from the column";
    add(both, lastChatID);

    const InboundFetchResult result = reader.fetchInbound(0, 100);
    ASSERT_EQ(result.rows.size(), 3u);
    EXPECT_EQ(result.rows[0].text, std::nullopt);
    EXPECT_EQ(result.rows[0].bestText(), "from the body");
    EXPECT_EQ(result.rows[1].bestText(), std::nullopt);
    EXPECT_EQ(result.rows[2].bestText(), "from the column");
}

class RecentlyReadTest : public ChatDBReaderTest {
protected:
    std::int64_t addRead(const std::string& guid, std::int64_t dateRead, std::int64_t date = 0) {
        NewMessage message;
        message.guid = guid;
        message.handleID = handle;
        message.isRead = 1;
        message.dateRead = dateRead;
        message.date = date;
        return add(message, chat);
    }

    std::int64_t handle = addContact("+15550001");
    std::int64_t chat = lastChatID;
};

TEST_F(RecentlyReadTest, ListsReadMessagesByDateReadThenRowID) {
    const std::int64_t late = addRead("late", 300);
    const std::int64_t early = addRead("early", 100);
    const std::int64_t tieA = addRead("tie-a", 200);
    const std::int64_t tieB = addRead("tie-b", 200);
    addInbound(handle, chat, "unread");
    NewMessage outbound;
    outbound.guid = "outbound-read";
    outbound.isFromMe = true;
    outbound.isRead = 1;
    outbound.dateRead = 250;
    add(outbound, chat);

    const RecentlyReadFetchResult result = reader.fetchRecentlyRead(0, 0, 1000, 0, 100);
    EXPECT_EQ(result,
              (RecentlyReadFetchResult{
                  {{early, "early", 100}, {tieA, "tie-a", 200}, {tieB, "tie-b", 200}, {late, "late", 300}},
                  300,
                  late}));
}

TEST_F(RecentlyReadTest, ResumesAfterTheScannedPairIncludingTiesOnDateRead) {
    const std::int64_t tieA = addRead("tie-a", 200);
    const std::int64_t tieB = addRead("tie-b", 200);
    const std::int64_t later = addRead("later", 201);

    const RecentlyReadFetchResult firstPage = reader.fetchRecentlyRead(0, 0, 1000, 0, 1);
    EXPECT_EQ(firstPage, (RecentlyReadFetchResult{{{tieA, "tie-a", 200}}, 200, tieA}));
    const RecentlyReadFetchResult secondPage = reader.fetchRecentlyRead(200, tieA, 1000, 0, 10);
    EXPECT_EQ(secondPage,
              (RecentlyReadFetchResult{{{tieB, "tie-b", 200}, {later, "later", 201}}, 201, later}));
}

TEST_F(RecentlyReadTest, RespectsTheRowAndDateBounds) {
    const std::int64_t old = addRead("old", 100, 5'000);
    const std::int64_t recent = addRead("recent", 110, 9'000);
    const std::int64_t beyond = addRead("beyond-max-row", 120, 9'500);
    EXPECT_EQ(reader.fetchRecentlyRead(0, 0, recent, 8'000, 100),
              (RecentlyReadFetchResult{{{recent, "recent", 110}}, 110, recent}));
    EXPECT_LT(old, recent);
    EXPECT_GT(beyond, recent);
}

TEST_F(RecentlyReadTest, NoRowsGiveTheStartingPairBack) {
    addRead("read", 100);
    EXPECT_EQ(reader.fetchRecentlyRead(100, 99, 1000, 0, 100), (RecentlyReadFetchResult{{}, 100, 99}));
    EXPECT_EQ(reader.fetchRecentlyRead(500, 7, 1000, 0, 100), (RecentlyReadFetchResult{{}, 500, 7}));
}

TEST_F(RecentlyReadTest, RowsWithAnEmptyGuidMoveThePairWithoutBeingListed) {
    const std::int64_t listed = addRead("listed", 100);
    const std::int64_t unnamed = addRead("", 150);
    EXPECT_EQ(reader.fetchRecentlyRead(0, 0, 1000, 0, 100),
              (RecentlyReadFetchResult{{{listed, "listed", 100}}, 150, unnamed}));
}

TEST(ChatDBReaderStatements, GuidListsGetOnePlaceholderPerGuid) {
    EXPECT_TRUE(ChatDBReader::readGUIDsSQL(3).ends_with("      AND guid IN (?,?,?)"));
    EXPECT_TRUE(ChatDBReader::readGUIDsSQL(1).ends_with("guid IN (?)"));
    const std::string replied = ChatDBReader::repliedGUIDsSQL(2);
    EXPECT_NE(replied.find("WHERE inbound.guid IN (?,?)\n  AND EXISTS (\n"), std::string::npos);
    EXPECT_TRUE(replied.ends_with("outbound.associated_message_type = 0)\n  )"));
}

TEST_F(ChatDBReaderTest, ReadGuidsAreTheReadInboundOnesAmongThoseAsked) {
    const std::int64_t handle = addContact("+15550001");
    NewMessage read;
    read.guid = "read";
    read.handleID = handle;
    read.isRead = 1;
    add(read, lastChatID);
    NewMessage readReaction = read;
    readReaction.guid = "read-reaction";
    readReaction.associatedMessageType = 2000;
    add(readReaction, lastChatID);
    NewMessage readElsewhere = read;
    readElsewhere.guid = "read-but-not-asked";
    add(readElsewhere, lastChatID);
    addInbound(handle, lastChatID, "unread");
    NewMessage outbound = read;
    outbound.guid = "outbound";
    outbound.isFromMe = true;
    add(outbound, lastChatID);

    EXPECT_EQ(reader.fetchReadGUIDs({"unread", "read", "outbound", "read-reaction", "unknown", "read"}),
              std::vector<std::string>{"read"});
}

TEST_F(ChatDBReaderTest, RepliedGuidsNeedALaterOrdinaryOutgoingMessageInOneOfTheirChats) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t direct = lastChatID;
    const std::int64_t group = addGroup("chat1", "Family");
    const std::int64_t other = addGroup("chat2", "Other");
    const std::int64_t reactions = addGroup("chat3", "Reactions");
    const auto outgoing = [&](const std::string& guid, std::int64_t chat, std::int64_t association = 0) {
        NewMessage message;
        message.guid = guid;
        message.isFromMe = true;
        message.associatedMessageType = association;
        add(message, chat);
    };

    outgoing("earlier-reply", direct, 0);
    addInbound(handle, direct, "replied");
    outgoing("reply", direct);
    addInbound(handle, reactions, "only-reacted-to");
    outgoing("tapback", reactions, 2000);
    const std::int64_t inTwoChats = addInbound(handle, group, "replied-in-second-chat");
    writer.joinChat(direct, inTwoChats, 0);
    addInbound(handle, group, "answered-elsewhere");
    outgoing("reply-in-other-chat", other);
    outgoing("reply-in-direct-chat", direct);

    EXPECT_EQ(reader.fetchRepliedGUIDs(
                  {"answered-elsewhere", "only-reacted-to", "replied", "replied-in-second-chat"}),
              (std::vector<std::string>{"replied", "replied-in-second-chat"}));
}

TEST(ChatDBReaderWithoutDatabase, EmptyGuidListsDoNotTouchTheDatabase) {
    const ChatDBReader reader((AgentPaths::homeDirectory() / "missing.db").string());
    EXPECT_EQ(reader.fetchReadGUIDs({}), std::vector<std::string>{});
    EXPECT_EQ(reader.fetchRepliedGUIDs({}), std::vector<std::string>{});
}

TEST(ChatDBReaderWithoutDatabase, EveryOtherOperationFailsWithTheOpenError) {
    const ChatDBReader reader((AgentPaths::homeDirectory() / "missing.db").string());
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"fetchInbound", [&] { reader.fetchInbound(0, 10); }},
        {"countInbound", [&] { reader.countInbound(0, 10); }},
        {"fetchRecentlyRead", [&] { reader.fetchRecentlyRead(0, 0, 10, 0, 10); }},
        {"fetchReadGUIDs", [&] { reader.fetchReadGUIDs({"a"}); }},
        {"fetchRepliedGUIDs", [&] { reader.fetchRepliedGUIDs({"a"}); }},
        {"maxRowID", [&] { reader.maxRowID(); }},
    };
    for (const auto& [name, operation] : operations) {
        try {
            operation();
            ADD_FAILURE() << name << " read a missing database";
        } catch (const SQLiteError& error) {
            EXPECT_EQ(error, SQLiteError::failure(SQLITE_CANTOPEN, "unable to open database file")) << name;
        }
    }
}

}  // namespace
}  // namespace kindora
