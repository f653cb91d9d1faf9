#include "ui/value.h"

#include <cstdio>

namespace vandrel::ui {

bool Value::toBool() const {
    switch (kind()) {
        case Kind::Bool:
            return std::get<bool>(data_);
        case Kind::Int:
            return std::get<std::int64_t>(data_) != 0;
        case Kind::Float:
            return std::get<double>(data_) != 0.0;
        case Kind::String:
            return std::get<std::string>(data_) == "true";
        case Kind::Undefined:
            break;
    }
    return false;
}

std::int64_t Value::toInt() const {
    switch (kind()) {
        case Kind::Bool:
            return std::get<bool>(data_) ? 1 : 0;
        case Kind::Int:
            return std::get<std::int64_t>(data_);
        case Kind::Float:
            return static_cast<std::int64_t>(std::get<double>(data_));
        case Kind::String:
        case Kind::Undefined:
            break;
    }
    return 0;
}

double Value::toFloat() const {
    if (kind() == Kind::Float) {
        return std::get<double>(data_);
    }
    return static_cast<double>(toInt());
}

std::string Value::toString() const {
    switch (kind()) {
        case Kind::Bool:
            return std::get<bool>(data_) ? "true" : "false";
        case Kind::Int:
            return std::to_string(std::get<std::int64_t>(data_));
        case Kind::Float: {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%g", std::get<double>(data_));
            return buffer;
        }
        case Kind::String:
            return std::get<std::string>(data_);
        case Kind::Undefined:
            break;
    }
    return {};
}

}  // namespace vandrel::ui
