#pragma once

#include <string>

namespace vandrel {

// The outcome of writing or reading an exchange file: ok, or the reason it failed, worded for
// the user ("Cannot write /x/y.gpx: Permission denied").
struct ExchangeResult {
    bool ok = true;
    std::string error;

    static ExchangeResult failure(std::string reason) { return {false, std::move(reason)}; }
};

}  // namespace vandrel
