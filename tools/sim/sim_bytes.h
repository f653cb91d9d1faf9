#pragma once
// The simulator writes its little-endian fields with the same byte-by-byte helpers as the
// device code; what it encodes independently is the layout, not the byte order.

#include "device/byte_order.h"

namespace vandrel::sim {
namespace le = vandrel::byte_order;
}  // namespace vandrel::sim
