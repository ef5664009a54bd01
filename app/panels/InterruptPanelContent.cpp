#include "app/panels/InterruptPanelContent.hpp"

#include <QVariantMap>

#include <algorithm>

#include "app/texts/PanelTexts.hpp"
#include "app/texts/TranslatedText.hpp"

namespace kindora {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QString q(const std::optional<QString>& text) {
    return text.value_or(QString());
}

}  // namespace

InterruptPanelContent::InterruptPanelContent(InterruptController& controller, std::function<Date()> now,
                                             QObject* parent)
    : QObject(parent),
      controller_(controller),
      now_(std::move(now)),
      subscription_(controller_.observe([this] { emit changed(); })) {}

bool InterruptPanelContent::anyMember(bool Interrupt::*flag) const {
    const auto& group = controller_.presentedGroup();
    return std::any_of(group.begin(), group.end(), [flag](const Interrupt& i) { return i.*flag; });
}

bool InterruptPanelContent::critical() const {
    const auto& group = controller_.presentedGroup();
    return std::any_of(group.begin(), group.end(),
                       [](const Interrupt& i) { return i.urgency == InterruptUrgency::critical; });
}

QString InterruptPanelContent::badge() const {
    if (!shown()) {
        return {};
    }
    return critical() ? tr("CRITICAL") : tr("URGENT");
}

QString InterruptPanelContent::moreAlertsLabel() const {
    return shown() ? q(PanelTexts::moreAlertsLabel(controller_.truncated(), controller_.moreCount()))
                   : QString();
}

QString InterruptPanelContent::title() const {
    const auto presented = controller_.presentedInterrupt();
    return presented ? q(presented->title) : QString();
}

QString InterruptPanelContent::body() const {
    const auto presented = controller_.presentedInterrupt();
    return presented ? q(presented->body) : QString();
}

QString InterruptPanelContent::caption() const {
    const auto presented = controller_.presentedInterrupt();
    if (!presented) {
        return {};
    }
    return q(presented->source) + QStringLiteral(" • ") + PanelTexts::relativeTime(presented->raisedAt, now_());
}

QString InterruptPanelContent::groupHeading() const {
    return isGroup() ? PanelTexts::groupHeading(controller_.presentedGroup().size()) : QString();
}

QVariantList InterruptPanelContent::groupRows() const {
    QVariantList rows;
    if (!isGroup()) {
        return rows;
    }
    const auto& group = controller_.presentedGroup();
    for (std::size_t index = 0; index < std::min<std::size_t>(group.size(), 3); ++index) {
        rows.append(QVariantMap{{QStringLiteral("title"), q(group[index].title)},
                                {QStringLiteral("source"), q(group[index].source)}});
    }
    return rows;
}

QString InterruptPanelContent::moreCopies() const {
    return isGroup() ? q(PanelTexts::moreCopies(controller_.presentedGroup().size())) : QString();
}

QString InterruptPanelContent::resolutionHint() const {
    return anyMember(&Interrupt::requiresResolution) ? tr(resolutionHintText) : QString();
}

QString InterruptPanelContent::actionError() const {
    const auto error = controller_.actionError();
    return error ? translated(*error) : QString();
}

bool InterruptPanelContent::acknowledgeShown() const {
    return shown() && !anyMember(&Interrupt::requiresResolution);
}

bool InterruptPanelContent::resolveShown() const {
    return anyMember(&Interrupt::canResolve);
}

void InterruptPanelContent::acknowledge() {
    if (const auto presented = controller_.presentedInterrupt()) {
        controller_.acknowledge(*presented);
    }
}

void InterruptPanelContent::resolve() {
    if (const auto presented = controller_.presentedInterrupt()) {
        controller_.resolve(*presented);
    }
}

void InterruptPanelContent::dismiss() {
    if (const auto presented = controller_.presentedInterrupt()) {
        controller_.dismiss(*presented);
    }
}

}  // namespace kindora
