// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Reads dBase III tables (".DBF") from their bytes: a 32-byte header (record count,
// header size, record size), 32-byte field descriptors ended by 0x0D, then fixed-size
// records, each a deletion flag and its fields side by side.

// The text of fieldName (compared without regard to ASCII case) in the table's last
// record, trailing blanks removed. Nothing when the table is damaged, has no records
// or has no such field.
std::optional<std::string> LastRecordField(std::string_view table, std::string_view fieldName);
