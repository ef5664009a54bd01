#include <gtest/gtest.h>

#include "app/texts/UpdateTexts.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

struct UpdateRow {
    std::optional<PendingUpdate> pending;
    bool isInstalling;
    std::optional<std::string> lastError;
    const char* pendingText;
    const char* actionTitle;
    const char* caption;
};

void PrintTo(const UpdateRow& row, std::ostream* out) { *out << row.actionTitle << " / " << row.caption; }

class UpdateRowTexts : public ::testing::TestWithParam<UpdateRow> {
protected:
    void SetUp() override { testing::qtApplication(); }
};

TEST_P(UpdateRowTexts, FollowTheUpdatersState) {
    const UpdateRow& row = GetParam();
    EXPECT_EQ(UpdateTexts::pendingUpdate(row.pending), row.pendingText);
    EXPECT_EQ(UpdateTexts::actionTitle(row.pending), row.actionTitle);
        const auto lastError =
        row.lastError ? std::optional<UserText>(UserText::verbatim(*row.lastError)) : std::nullopt;
    EXPECT_EQ(UpdateTexts::caption(row.pending, row.isInstalling, lastError), row.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateRowTexts,
    ::testing::Values(UpdateRow{std::nullopt, false, std::nullopt, "", "Check for Updates…", ""},
                      UpdateRow{std::nullopt, false, "Could not check for updates: timed out.", "",
                                "Check for Updates…", "Could not check for updates: timed out."},
                      UpdateRow{PendingUpdate{"1.5", false}, false, std::nullopt, "Update 1.5 is available.",
                                "View Update", ""},
                      UpdateRow{PendingUpdate{"1.5", true}, false, std::nullopt, "1.5 is ready to install.",
                                "Install Update…", ""},
                      UpdateRow{PendingUpdate{"1.5", true}, true, "an older failure",
                                "1.5 is ready to install.", "Install Update…", "Installing 1.5…"},
                      UpdateRow{PendingUpdate{"1.5", true}, false,
                                "The update could not be installed: Failed to obtain authentication.",
                                "1.5 is ready to install.", "Install Update…",
                                "The update could not be installed: Failed to obtain authentication."}));

}  // namespace
}  // namespace kindora
