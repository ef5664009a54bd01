#include "tools/devserver/DemoSeed.hpp"

namespace kindora::devserver::DemoSeed {
namespace {

Interrupt alert(std::string title, std::string body, InterruptUrgency urgency, double secondsAgo, Date now) {
    Interrupt interrupt;
    interrupt.id = Uuid::random();
    interrupt.title = std::move(title);
    interrupt.body = std::move(body);
    interrupt.urgency = urgency;
    interrupt.source = "household";
    interrupt.raisedAt = now + Seconds(-secondsAgo);
    return interrupt;
}

Meeting meeting(std::string id, std::string title, double startsIn, MeetingProvider provider, Date now) {
    Meeting meeting;
    meeting.id = std::move(id);
    meeting.title = std::move(title);
    meeting.startsAt = now + Seconds(startsIn);
    meeting.endsAt = meeting.startsAt + Seconds(30 * 60);
    meeting.provider = provider;
    // Example addresses: auto-join in the demo must not open a real meeting service.
    meeting.joinUrl = "https://" + std::string(toWire(provider)) + ".example.com/" + meeting.id;
    meeting.calendarLabel = "Family";
    return meeting;
}

}  // namespace

void seed(Household& household, Date now) {
    HouseholdRules rules = household.rules();
    rules.keywords = {
        KeywordRule{"help", "Someone asked for help", InterruptUrgency::critical, true, true, "help"},
        KeywordRule{"urgent", "An urgent message arrived", InterruptUrgency::urgent, false, true,
                    std::nullopt},
    };
    household.setRules(rules);

    Interrupt door = alert("Front door left open", "The front door has been open for 10 minutes.",
                           InterruptUrgency::urgent, 120, now);
    door.groupKey = "front-door";
    household.addInterrupt(door);

    Interrupt medication = alert("Medication not taken", "The evening dose was not confirmed.",
                                 InterruptUrgency::critical, 60, now);
    medication.requiresResolution = true;
    medication.groupKey = "medication";
    medication.calendarLabel = "Care";
    household.addInterrupt(medication);

    household.addMeeting(meeting("demo-check-in", "Family check-in", 3 * 60, MeetingProvider::meet, now));
    household.addMeeting(meeting("demo-doctor", "Doctor's video call", 20 * 60, MeetingProvider::zoom, now));
    household.addMeeting(meeting("demo-planning", "Holiday planning", 2 * 3600, MeetingProvider::teams, now));
}

}  // namespace kindora::devserver::DemoSeed
