#include <gtest/gtest.h>

#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/AlertBoard.hpp"

namespace kindora::devserver {
namespace {

const Date noon = dateFromSecondsSinceEpoch(1'800'000'000);

Interrupt interrupt(double secondsAfterNoon, bool requiresResolution = false, bool canResolve = true) {
    Interrupt alert;
    alert.id = Uuid::random();
    alert.title = "Alert";
    alert.body = "Body";
    alert.source = "test";
    alert.raisedAt = noon + Seconds(secondsAfterNoon);
    alert.requiresResolution = requiresResolution;
    alert.canResolve = canResolve;
    return alert;
}

TEST(AlertBoard, OpenAlertsComeOldestFirstAndAreTruncatedToThePageSize) {
    AlertBoard board;
    const Interrupt late = interrupt(30);
    const Interrupt early = interrupt(10);
    const Interrupt middle = interrupt(20);
    for (const Interrupt& alert : {late, early, middle}) {
        board.add(alert);
    }
    const InterruptsResponse page = board.open(2);
    EXPECT_TRUE(page.truncated);
    EXPECT_EQ(page.interrupts, (std::vector<Interrupt>{early, middle}));
    EXPECT_FALSE(board.open(3).truncated);
    EXPECT_TRUE(board.open(0).interrupts.empty());
}

// Which actions an alert refuses, and how, is walked through the real client by the devserver's client tests.
TEST(AlertBoard, ActionsOnUnknownOrMalformedIdsAreNotFound) {
    AlertBoard board;
    for (const std::string& id : {Uuid::random().text(), std::string("not-a-uuid"), std::string()}) {
        EXPECT_EQ(testsupport::apiErrorOf([&] { board.acknowledge(id, "d", noon); }).status(), 404) << id;
        EXPECT_EQ(testsupport::apiErrorOf([&] { board.resolve(id, "d", noon); }).status(), 404) << id;
    }
}

TEST(AlertBoard, AnActionAcceptsTheIdInUpperCaseAndAnswersItInLowerCase) {
    AlertBoard board;
    const Interrupt alert = interrupt(0);
    board.add(alert);
    std::string upper = alert.id.text();
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    const AlertActionResponse response = board.acknowledge(upper, "device", noon);
    EXPECT_EQ(response.id, alert.id);
    EXPECT_EQ(board.alerts().at(0).handledByDeviceId, "device");
    // Acknowledging again changes nothing and still succeeds.
    EXPECT_EQ(board.acknowledge(alert.id.text(), "other", noon).status, "acknowledged");
    EXPECT_EQ(board.alerts().at(0).handledByDeviceId, "device");
}

TEST(AlertBoard, AddingAnExistingIdConflictsAndRemovalSaysWhetherItFoundOne) {
    AlertBoard board;
    const Interrupt alert = interrupt(0);
    board.add(alert);
    EXPECT_EQ(testsupport::apiErrorOf([&] { board.add(alert); }).status(), 409);
    EXPECT_TRUE(board.remove(alert.id));
    EXPECT_FALSE(board.remove(alert.id));
}

}  // namespace
}  // namespace kindora::devserver
