// The takeover and auto-join rules run on the main thread after every poll and at every window edge.
// These figures show what one evaluation of each costs for calendars of growing size, with a third
// of the meetings sharing their start with another (calendar copies) and a mix of link kinds.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/common/JsonDate.hpp"
#include "core/meetings/AutoJoinDecision.hpp"
#include "core/meetings/MeetingDecision.hpp"

namespace kindora {
namespace {

const Date ten = JsonDate::decode("2026-12-07T10:00:00Z");

std::vector<Meeting> calendar(int count) {
    std::vector<Meeting> meetings;
    for (int index = 0; index < count; ++index) {
        Meeting meeting;
        meeting.id = "meeting-" + std::to_string(index);
        meeting.title = "Meeting " + std::to_string(index);
        // Every third meeting starts with the one before it; the others are 10 minutes apart.
        meeting.startsAt = ten + Seconds(600.0 * (index - index / 3 - count / 2));
        switch (index % 4) {
            case 0:
                meeting.provider = MeetingProvider::zoom;
                meeting.joinUrl = "https://acme.zoom.us/j/" + std::to_string(index) + "?pwd=abcdef";
                break;
            case 1:
                meeting.provider = MeetingProvider::meet;
                meeting.joinUrl = "https://meet.google.com/abc-defg-hij";
                break;
            case 2:
                meeting.provider = MeetingProvider::teams;
                meeting.joinUrl = "http://teams.microsoft.com/l/meetup-join/19";
                break;
            default:
                meeting.provider = MeetingProvider::other;
                meeting.joinUrl = "https://example.com/room/" + std::to_string(index);
                break;
        }
        meetings.push_back(std::move(meeting));
    }
    return meetings;
}

const MeetingPreferences preferences{true, MeetingLeadTime::fiveMinutes, true, true};

void takeoverDecision(benchmark::State& state) {
    const auto meetings = calendar(static_cast<int>(state.range(0)));
    std::set<std::string> presented;
    for (std::size_t index = 0; index < meetings.size(); index += 2) {
        presented.insert(meetings[index].id);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            MeetingDecision::decide(meetings, presented, preferences, ten));
    }
}

// One auto-join evaluation: the meeting to join, the skip reason of every started meeting, and the
// two boundaries.
void autoJoinEvaluation(benchmark::State& state) {
    const auto meetings = calendar(static_cast<int>(state.range(0)));
    const std::set<std::string> joined{meetings.front().id};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            AutoJoinDecision::meetingToJoinNow(meetings, joined, preferences, false, ten));
        for (const auto& meeting : meetings) {
            if (meeting.startsAt <= ten) {
                benchmark::DoNotOptimize(
                    AutoJoinDecision::skipReason(meeting, meetings, joined, preferences, ten));
            }
        }
        benchmark::DoNotOptimize(AutoJoinDecision::nextBoundary(meetings, joined, preferences, ten));
        benchmark::DoNotOptimize(AutoJoinDecision::presenceRecheckBoundary(meetings, joined, ten));
    }
}

BENCHMARK(takeoverDecision)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(autoJoinEvaluation)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kindora

BENCHMARK_MAIN();
