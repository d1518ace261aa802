// How a later start knocks at the running copy, whatever socket the host gives them.
#pragma once

#include <QByteArray>
#include <string_view>

namespace quorvane::knock {

inline constexpr std::string_view activationRequest = "activate\n";
// A running copy answers a connection from its kernel backlog at once, even while a modal box
// keeps its event loop busy; this only bounds a system that is stuck.
inline constexpr int probeTimeoutMs = 3000;
// The first copy listens a moment after it took the lock; a copy started in that moment keeps
// knocking for this long.
inline constexpr int listenWaitMs = 5000;
inline constexpr int knockIntervalMs = 20;

inline QByteArray knockRequest() {
    return QByteArray(activationRequest.data(), qsizetype(activationRequest.size()));
}

} // namespace quorvane::knock
