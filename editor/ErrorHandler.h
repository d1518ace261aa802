#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <string_view>

namespace quorvane {

// The general error handler: a failure that ends a handler is shown in a box with its text, and
// the program goes on running.
void reportFailure(const std::exception& error);

// Runs one event handler under the general error handler.
void guarded(const std::function<void()>& handler);

// The text of a failure as the user reads it: file names from the system are UTF-8, while a
// settings text quoted in a message is Windows-1252 bytes.
QString failureText(std::string_view text);

} // namespace quorvane
