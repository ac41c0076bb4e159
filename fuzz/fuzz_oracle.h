#pragma once

#include "tests/packer/payload_test_support.h"

ReferenceDecoded OracleDecode(const unsigned char* blob, size_t blobBytes);
Bytes OracleEncode(const Bytes& content);
