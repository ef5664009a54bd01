#include "app/viewmodels/DoNotDisturbViewModel.hpp"

#include "app/texts/StatusTexts.hpp"
#include "app/texts/TranslatedText.hpp"
#include "core/interrupts/DoNotDisturbPreset.hpp"

namespace kindora {

DoNotDisturbViewModel::DoNotDisturbViewModel(DoNotDisturbController& dnd, InterruptController& interrupts,
                                             std::function<Date()> now, MainQueue& queue,
                                             std::function<bool()> alertPanelCanShow, QObject* parent)
    : QObject(parent),
      dnd_(dnd),
      interrupts_(interrupts),
      alertPanelCanShow_(std::move(alertPanelCanShow)),
      now_(std::move(now)),
      clock_(queue, [this] { emit changed(); }) {
    subscriptions_.push_back(dnd_.observeUntil([this](const auto&) { emit changed(); }));
    subscriptions_.push_back(interrupts_.observe([this] { emit changed(); }));
}

bool DoNotDisturbViewModel::active() const {
    return dnd_.isActive();
}

QString DoNotDisturbViewModel::remaining() const {
    const auto until = dnd_.until();
    if (!until) {
        return {};
    }
    return StatusTexts::doNotDisturbRemaining(*until, now_());
}

QString DoNotDisturbViewModel::alertsWaiting() const {
    std::optional<QString> text;
    if (dnd_.isActive()) {
        text = StatusTexts::alertsWaiting(interrupts_.moreCount());
    } else if (!interrupts_.presentedGroup().empty() && alertPanelCanShow_ && !alertPanelCanShow_()) {
        // Presented, but with no panel to show it in: it is still waiting for the person.
        text = StatusTexts::alertsWaiting(static_cast<int>(interrupts_.presentedGroup().size()) +
                                          interrupts_.moreCount());
    }
    return text.value_or(QString());
}

QStringList DoNotDisturbViewModel::presetLabels() const {
    QStringList labels;
    for (const auto& preset : DoNotDisturbPreset::all()) {
        labels.append(translated(preset.label));
    }
    return labels;
}

void DoNotDisturbViewModel::setShown(bool shown) {
    if (shown == clock_.isRunning()) {
        return;
    }
    clock_.setRunning(shown);
    if (shown) {
        emit changed();  // the time left has moved on while the section was away
    }
    emit shownChanged();
}

void DoNotDisturbViewModel::enable(int index) {
    const auto& presets = DoNotDisturbPreset::all();
    if (index >= 0 && static_cast<std::size_t>(index) < presets.size()) {
        dnd_.enable(presets[static_cast<std::size_t>(index)]);
    }
}

void DoNotDisturbViewModel::disable() {
    dnd_.disable();
}

}  // namespace kindora
