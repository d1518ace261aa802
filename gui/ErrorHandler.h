#pragma once

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace quorvane {

// The general error handler: a failure that ends a handler is shown in a box with its text, and
// the program goes on running.
void reportFailure(const std::exception& error);

// Runs one event handler under the general error handler.
void guarded(const std::function<void()>& handler);

// A handler that answers runs under the general error handler as well; a failure answers no.
bool guardedAnswer(const std::function<bool()>& handler);

// `handler` as a slot that runs under the general error handler, taking the signal's arguments:
// connect(button, &QPushButton::clicked, this, guard([this] { okClicked(); })).
template <typename Handler> auto guard(Handler handler) {
    // Qt hands a slot as many of the signal's arguments as it can take, finding out by trying
    // from all of them downwards; the constraint lets it see what `handler` takes.
    return [handler = std::move(handler)](auto&&... arguments)
               -> void requires std::is_invocable_v<const Handler&, decltype(arguments)...> {
        guarded([&] { handler(std::forward<decltype(arguments)>(arguments)...); });
    };
}

} // namespace quorvane
