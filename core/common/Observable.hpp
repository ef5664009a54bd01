#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace kindora {

// Ends an observation when destroyed (or reset). Safe to outlive the observed value.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (auto cancel = std::exchange(cancel_, nullptr)) {
            cancel();
        }
    }

private:
    std::function<void()> cancel_;
};

// A value that views observe. Lives on the main thread and is read and written only there.
// Observers are told after each change; setting an equal value tells no one.
template <typename T>
class Observable {
public:
    using Observer = std::function<void(const T&)>;

    explicit Observable(T initial = T{}) : value_(std::move(initial)) {}

    const T& value() const { return value_; }

    // Returns true when the value changed (and observers were told).
    bool set(T newValue) {
        if (newValue == value_) {
            return false;
        }
        value_ = std::move(newValue);
        notify();
        return true;
    }

    // Observing does not change the value, so const holders may observe too.
    [[nodiscard]] Subscription observe(Observer observer) const {
        const auto id = nextID_++;
        observers_->emplace(id, std::move(observer));
        std::weak_ptr<Observers> weak = observers_;
        return Subscription([weak, id] {
            if (auto observers = weak.lock()) {
                observers->erase(id);
            }
        });
    }

private:
    using Observers = std::map<unsigned long, Observer>;

    void notify() {
        // Observers may unsubscribe (or subscribe) while being told: walk a snapshot of the ids and
        // skip any that left in the meantime.
        std::vector<unsigned long> ids;
        ids.reserve(observers_->size());
        for (const auto& entry : *observers_) {
            ids.push_back(entry.first);
        }
        const auto observers = observers_;
        for (const auto id : ids) {
            const auto found = observers->find(id);
            if (found != observers->end()) {
                const Observer observer = found->second;
                observer(value_);
            }
        }
    }

    T value_;
    std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
    mutable unsigned long nextID_ = 0;
};

}  // namespace kindora
