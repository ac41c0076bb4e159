// Encoding of a file into a payload body (see core/payload_format.h).
#pragma once

#include <stddef.h>
#include <vector>

// The coded body for input (without the six-digit header).
std::vector<unsigned char> EncodePayloadBody(const unsigned char* input, size_t size);
