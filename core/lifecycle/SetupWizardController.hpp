#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "core/common/Observable.hpp"
#include "core/lifecycle/SetupStep.hpp"

namespace kindora {

// Which step of the setup wizard is on screen, or that the wizard is closed, moving between steps
// as Full Disk Access and credentials appear or go. Lives on the main thread.
class SetupWizardController {
public:
    // Defaults key set once the wizard was finished or the installation was found fully set up.
    static constexpr std::string_view didCompleteKey = "com.quillmere.kindora.setupWizard.didComplete";

    explicit SetupWizardController(std::optional<SetupStep> step = std::nullopt);

    // Absent while the wizard is closed.
    const std::optional<SetupStep>& step() const { return step_.value(); }
    [[nodiscard]] Subscription observeStep(Observable<std::optional<SetupStep>>::Observer observer);

    // Called by finish(), before the wizard closes.
    void setOnCompleted(std::function<void()> onCompleted);

    // Opens the wizard at the first step the facts call for, or re-evaluates an open one.
    void open(bool hasFDA, bool hasCredentials);
    // Moves an open wizard to the step that provides what is missing, or past what is present.
    // The welcome step is left only by the user, the preferences step only by advanceToDone().
    void recomputeStep(bool hasFDA, bool hasCredentials);
    void advanceFromWelcome();
    void advanceToDone();
    // Closes the wizard without completing it.
    void close();
    // Completes the wizard (calls the completion callback) and closes it.
    void finish();

private:
    Observable<std::optional<SetupStep>> step_;
    std::function<void()> onCompleted_;
};

}  // namespace kindora
