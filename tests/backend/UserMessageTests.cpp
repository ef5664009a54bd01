#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/backend/BackendEnvironment.hpp"
#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"
#include "core/backend/Uuid.hpp"
#include "core/common/InMemoryDefaults.hpp"

namespace kindora {
namespace {

struct ShownText {
    BackendError error;
    std::string text;
};

void PrintTo(const ShownText& shown, std::ostream* os) {
    *os << shown.text;
}

class UserMessages : public ::testing::TestWithParam<ShownText> {};

TEST_P(UserMessages, UseTheServersTextOrAFallbackThatNamesTheCause) {
    EXPECT_EQ(userMessage(GetParam().error).english(), GetParam().text);
}

// The fixed texts of the other cases would only restate the code's table.
INSTANTIATE_TEST_SUITE_P(
    BackendErrors, UserMessages,
    ::testing::Values(ShownText{BackendError::http(500, "Household is archived"), "Household is archived"},
                      ShownText{BackendError::http(503), "Request failed (HTTP 503)"},
                      ShownText{BackendError::network("Could not resolve host: api.kindora.example"),
                                "Network error: Could not resolve host: api.kindora.example"},
                      ShownText{BackendError::decoding("Missing value"),
                                "Unexpected response from the server: Missing value"},
                      ShownText{BackendError::requiresResolution("Resolve it first"), "Resolve it first"},
                      ShownText{BackendError::forbidden("Ask a parent"), "Ask a parent"},
                      ShownText{BackendError::forbidden(),
                                "You don't have permission to resolve this alert."}));

TEST(UserMessagesOfOtherErrors, AreTheirOwnDescription) {
    const std::runtime_error databaseBusy("database is locked");
    EXPECT_EQ(userMessage(databaseBusy).english(), "database is locked");
}

TEST(BackendErrorPayload, OnlyAnHttpErrorCarriesTheBodysMessage) {
    EXPECT_EQ(BackendError::http(401, "a").bodyMessage(), "a");
    EXPECT_EQ(BackendError::network("a").bodyMessage(), std::nullopt);
    EXPECT_EQ(BackendError::network("a").message(), "a");
}

TEST(UuidText, IsValidatedAndLowerCased) {
    EXPECT_EQ(Uuid::fromString("0E1D2C3B-4A59-4867-9F8E-7D6C5B4A3921").text(),
              "0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921");
    EXPECT_EQ(Uuid::fromString("0E1D2C3B-4A59-4867-9F8E-7D6C5B4A3921"),
              Uuid::fromString("0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921"));
    for (const char* bad :
         {"", "0e1d2c3b4a5948679f8e7d6c5b4a3921", "0e1d2c3b-4a59-4867-9f8e-7d6c5b4a392",
          "0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921/", "0e1d2c3b_4a59-4867-9f8e-7d6c5b4a3921",
          "ge1d2c3b-4a59-4867-9f8e-7d6c5b4a3921", "../../../admin/x/y/z/0000000000000000"}) {
        EXPECT_EQ(Uuid::parse(bad), std::nullopt) << bad;
    }
    const Uuid random = Uuid::random();
    EXPECT_EQ(Uuid::parse(random.text()), random);
    EXPECT_EQ(random.text()[14], '4');
    EXPECT_NE(Uuid::random(), random);
}

TEST(BackendOrigin, AcceptsOnlySchemeAndHost) {
    struct Case {
        const char* origin;
        bool valid;
        bool validInDevelopment;
    };
    for (const Case& c :
         {Case{"https://api.kindora.example", true, true}, Case{"https://localhost", true, true},
          Case{"https://api.kindora.example/", false, false},
          Case{"https://api.kindora.example/v1", false, false},
          Case{"https://api.kindora.example:8443", false, false},
          Case{"https://user@api.kindora.example", false, false}, Case{"https://-bad.example", false, false},
          Case{"https://a..b", false, false}, Case{"http://api.kindora.example", false, false},
          Case{"http://127.0.0.1:8080", false, true}, Case{"http://127.0.0.1:0", false, false},
          Case{"http://127.0.0.1:70000", false, false}, Case{"http://127.0.0.1:80/x", false, false},
          Case{"http://localhost:8080", false, false}, Case{"https://[::1]", false, false},
          Case{"https://api.kindora.example.", false, false}, Case{"https://api.kindora.example?x", false, false},
          Case{"https://api.kindora.example#x", false, false}, Case{"https://api%2ekindora.example", false, false},
          Case{"http://127.0.0.1:8080?x", false, false}, Case{"", false, false}}) {
        EXPECT_EQ(BackendEnvironment::isValidOrigin(c.origin, false), c.valid) << c.origin;
        EXPECT_EQ(BackendEnvironment::isValidOrigin(c.origin, true), c.validInDevelopment) << c.origin;
    }
}

TEST(BackendOrigin, TheBuiltInOriginIsValidAndSettingsCannotChangeIt) {
    InMemoryDefaults defaults;
    defaults.setString("com.quillmere.kindora.backendURL", "https://evil.example");
    EXPECT_TRUE(BackendEnvironment::isValidOrigin(BackendEnvironment::productionBaseURL(), true));
    EXPECT_EQ(BackendEnvironment::currentBaseURL(defaults), BackendEnvironment::productionBaseURL());
}

}  // namespace
}  // namespace kindora
