// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegTool.h"

#include "common/AsciiText.h"
#include "platform/AtomicFile.h"
#include "platform/Registry.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>
#include <sstream>

namespace {

constexpr const char* Success = "The operation completed successfully.";
constexpr const char* Usage =
    "Usage:\n"
    "  quorvane-reg query KEY [/v NAME] [/s]\n"
    "  quorvane-reg add KEY [/v NAME] [/t REG_SZ|REG_DWORD|REG_BINARY] [/d DATA] [/f]\n"
    "  quorvane-reg delete KEY [/v NAME] [/f]\n"
    "  quorvane-reg export KEY FILE [/y]\n"
    "KEY: HKCU|HKLM|HKCR (or HKEY_CURRENT_USER, ...) followed by \\path\\to\\key\n";

// A failure that ends the command with its message; a syntax error also shows
// the usage.
struct TToolError {
  std::string Message;
  bool ShowUsage = false;
};

struct TKeyName {
  TRootKey Root = TRootKey::CurrentUser;
  std::string Path; // below the root, without leading "\"
};

struct TOptions {
  std::string Command;
  std::vector<std::string> Positional;
  bool HasValueName = false;
  std::string ValueName;
  bool HasType = false;
  std::string Type = "REG_SZ";
  bool HasData = false;
  std::string Data;
  bool Recursive = false;
  bool Force = false;
  bool Overwrite = false;
};

TOptions ParseOptions(const std::vector<std::string>& arguments) {
  if (arguments.empty())
    throw TToolError{"no command given", true};
  TOptions options;
  options.Command = arguments[0];
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const auto next = [&]() -> const std::string& {
      if (i + 1 >= arguments.size())
        throw TToolError{"Invalid syntax: " + argument + " needs a value", true};
      return arguments[++i];
    };
    if (SameTextASCII(argument, "/v")) {
      options.HasValueName = true;
      options.ValueName = next();
    } else if (SameTextASCII(argument, "/t")) {
      options.HasType = true;
      options.Type = next();
    } else if (SameTextASCII(argument, "/d")) {
      options.HasData = true;
      options.Data = next();
    } else if (SameTextASCII(argument, "/s")) {
      options.Recursive = true;
    } else if (SameTextASCII(argument, "/f")) {
      options.Force = true;
    } else if (SameTextASCII(argument, "/y")) {
      options.Overwrite = true;
    } else if (argument.size() == 2 && argument[0] == '/') {
      // Longer words with a leading "/" are file paths, not switches.
      throw TToolError{"Invalid syntax: unknown option " + argument, true};
    } else {
      options.Positional.push_back(argument);
    }
  }
  return options;
}

TKeyName ParseKey(const std::string& text) {
  const std::size_t split = text.find('\\');
  const std::string root = text.substr(0, split);
  TKeyName key;
  if (SameTextASCII(root, "HKCU") || SameTextASCII(root, "HKEY_CURRENT_USER")) {
    key.Root = TRootKey::CurrentUser;
  } else if (SameTextASCII(root, "HKLM") || SameTextASCII(root, "HKEY_LOCAL_MACHINE")) {
    key.Root = TRootKey::LocalMachine;
  } else if (SameTextASCII(root, "HKCR") || SameTextASCII(root, "HKEY_CLASSES_ROOT")) {
    key.Root = TRootKey::ClassesRoot;
  } else {
    throw TToolError{"Invalid key name: " + text + " (the root must be HKCU, HKLM or HKCR)"};
  }
  if (split != std::string::npos)
    key.Path = text.substr(split + 1);
  return key;
}

std::string FullName(const TKeyName& key) {
  return std::string(RootKeyName(key.Root)) + (key.Path.empty() ? "" : "\\" + key.Path);
}

std::string ResultText(TRegResult result) {
  switch (result) {
  case TRegResult::Ok:
    return "success";
  case TRegResult::NotFound:
    return "The system was unable to find the specified registry key or value.";
  case TRegResult::AccessDenied:
    return "Access is denied.";
  case TRegResult::InvalidName:
    return "Invalid key or value name.";
  case TRegResult::Busy:
    return "The registry is busy; another program held it too long.";
  case TRegResult::IoError:
    return "The registry file could not be read or written.";
  }
  return "unknown failure";
}

void Check(TRegResult result) {
  if (result != TRegResult::Ok)
    throw TToolError{ResultText(result)};
}

TRegKey OpenExisting(TRegistry& registry, const TKeyName& name) {
  TRegKey key;
  Check(registry.OpenKey(name.Root, name.Path, key));
  return key;
}

std::string Hex(const std::vector<std::uint8_t>& data, const char* separator, bool upper) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0)
      text += separator;
    std::snprintf(digits, sizeof digits, upper ? "%02X" : "%02x", data[i]);
    text += digits;
  }
  return text;
}

std::string TypeName(TRegValueType type) {
  switch (type) {
  case TRegValueType::String:
    return "REG_SZ";
  case TRegValueType::DWord:
    return "REG_DWORD";
  case TRegValueType::Binary:
    return "REG_BINARY";
  }
  return "REG_NONE";
}

std::string DisplayData(const TRegValue& value) {
  switch (value.Type) {
  case TRegValueType::String:
    return ValueText(value);
  case TRegValueType::DWord: {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", ValueDWord(value));
    return text;
  }
  case TRegValueType::Binary:
    return Hex(value.Data, "", true);
  }
  return {};
}

void PrintValue(std::ostream& output, const std::string& name, const TRegValue& value) {
  output << "    " << (name.empty() ? "(Default)" : name) << "    " << TypeName(value.Type)
         << "    " << DisplayData(value) << "\n";
}

void PrintKey(TRegistry& registry, const TKeyName& name, const TRegKey& key, bool recursive,
              std::ostream& output) {
  output << "\n" << FullName(name) << "\n";
  std::vector<std::string> values;
  Check(registry.EnumValueNames(key, values));
  for (const std::string& value : values) {
    TRegValue data;
    Check(registry.QueryValue(key, value, data));
    PrintValue(output, value, data);
  }
  std::vector<std::string> subKeys;
  Check(registry.EnumSubKeys(key, subKeys));
  if (!recursive) {
    if (!subKeys.empty())
      output << "\n";
    for (const std::string& sub : subKeys)
      output << FullName(name) << "\\" << sub << "\n";
    return;
  }
  for (const std::string& sub : subKeys) {
    const TKeyName child{name.Root, name.Path.empty() ? sub : name.Path + "\\" + sub};
    PrintKey(registry, child, OpenExisting(registry, child), true, output);
  }
}

TRegValue ParseData(const std::string& type, const std::string& data) {
  if (SameTextASCII(type, "REG_SZ"))
    return MakeStringValue(data);
  if (SameTextASCII(type, "REG_DWORD")) {
    std::string_view digits = data;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
      base = 16;
    }
    std::uint32_t number = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      throw TToolError{"Invalid value for REG_DWORD: \"" + data +
                       "\" (a number from 0 to 4294967295 or 0x0 to 0xffffffff)"};
    }
    return MakeDWordValue(number);
  }
  if (SameTextASCII(type, "REG_BINARY")) {
    TRegValue value{TRegValueType::Binary, {}};
    if (data.size() % 2 != 0)
      throw TToolError{"Invalid value for REG_BINARY: an even number of hex digits is needed"};
    for (std::size_t i = 0; i < data.size(); i += 2) {
      std::uint8_t byte = 0;
      const auto [end, error] = std::from_chars(data.data() + i, data.data() + i + 2, byte, 16);
      if (error != std::errc() || end != data.data() + i + 2) {
        throw TToolError{"Invalid value for REG_BINARY: \"" + data +
                         "\" holds a character that is no hex digit"};
      }
      value.Data.push_back(byte);
    }
    return value;
  }
  throw TToolError{"Invalid type " + type + " (REG_SZ, REG_DWORD or REG_BINARY)"};
}

bool Confirm(const std::string& question, std::istream& input, std::ostream& output) {
  output << question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(input, answer))
    return false;
  return SameTextASCII(answer, "y") || SameTextASCII(answer, "yes");
}

std::string ExportString(std::string_view text) {
  std::string escaped = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\')
      escaped += '\\';
    escaped += c;
  }
  return escaped + "\"";
}

void ExportKey(TRegistry& registry, const TKeyName& name, const TRegKey& key, std::string& text) {
  text += "[" + FullName(name) + "]\r\n";
  std::vector<std::string> values;
  Check(registry.EnumValueNames(key, values));
  for (const std::string& valueName : values) {
    TRegValue value;
    Check(registry.QueryValue(key, valueName, value));
    text += valueName.empty() ? "@" : ExportString(valueName);
    text += "=";
    switch (value.Type) {
    case TRegValueType::String:
      text += ExportString(ValueText(value));
      break;
    case TRegValueType::DWord: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", ValueDWord(value));
      text += digits;
      break;
    }
    case TRegValueType::Binary:
      text += "hex:" + Hex(value.Data, ",", false);
      break;
    }
    text += "\r\n";
  }
  text += "\r\n";
  std::vector<std::string> subKeys;
  Check(registry.EnumSubKeys(key, subKeys));
  for (const std::string& sub : subKeys) {
    const TKeyName child{name.Root, name.Path.empty() ? sub : name.Path + "\\" + sub};
    ExportKey(registry, child, OpenExisting(registry, child), text);
  }
}

int Query(const TOptions& options, TRegistry& registry, std::ostream& output) {
  const TKeyName name = ParseKey(options.Positional.at(0));
  const TRegKey key = OpenExisting(registry, name);
  if (options.HasValueName) {
    TRegValue value;
    Check(registry.QueryValue(key, options.ValueName, value));
    output << "\n" << FullName(name) << "\n";
    PrintValue(output, options.ValueName, value);
  } else {
    PrintKey(registry, name, key, options.Recursive, output);
  }
  output << "\n";
  return 0;
}

int Add(const TOptions& options, TRegistry& registry, std::istream& input, std::ostream& output) {
  const TKeyName name = ParseKey(options.Positional.at(0));
  if ((options.HasData || options.HasType) && !options.HasValueName)
    throw TToolError{"Invalid syntax: /t and /d need /v NAME", true};
  const TRegValue value = ParseData(options.Type, options.Data);
  TRegKey key;
  Check(registry.CreateKey(name.Root, name.Path, "", key));
  if (options.HasValueName) {
    TRegValue existing;
    if (!options.Force && registry.QueryValue(key, options.ValueName, existing) == TRegResult::Ok &&
        !Confirm("Value " + options.ValueName + " exists, overwrite", input, output)) {
      throw TToolError{"The operation was cancelled by the user."};
    }
    Check(registry.SetValue(key, options.ValueName, value));
  }
  output << Success << "\n";
  return 0;
}

int Delete(const TOptions& options, TRegistry& registry, std::istream& input,
           std::ostream& output) {
  const TKeyName name = ParseKey(options.Positional.at(0));
  const TRegKey key = OpenExisting(registry, name);
  const std::string question = options.HasValueName
                                   ? "Delete the registry value " + options.ValueName
                                   : "Permanently delete the registry key " + FullName(name);
  if (!options.Force && !Confirm(question, input, output))
    throw TToolError{"The operation was cancelled by the user."};
  Check(options.HasValueName ? registry.DeleteValue(key, options.ValueName)
                             : registry.DeleteTree(key, true));
  output << Success << "\n";
  return 0;
}

int Export(const TOptions& options, TRegistry& registry, std::istream& input,
           std::ostream& output) {
  const TKeyName name = ParseKey(options.Positional[0]);
  const std::filesystem::path file = options.Positional[1];
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  {
    // One snapshot of the tree, even while other programs write.
    TRegistry::TTransaction snapshot(registry, name.Root);
    Check(snapshot.Begun());
    ExportKey(registry, name, OpenExisting(registry, name), text);
  }
  if (std::filesystem::exists(file) && !options.Overwrite &&
      !Confirm("File " + file.string() + " already exists. Overwrite", input, output)) {
    throw TToolError{"The operation was cancelled by the user."};
  }
  if (const int error = WriteFileAtomically(file, text); error != 0) {
    throw TToolError{"Cannot write " + file.string() + ": " + std::strerror(error)};
  }
  output << Success << "\n";
  return 0;
}

} // namespace

int RunRegTool(const std::vector<std::string>& arguments, TRegistry& registry, std::istream& input,
               std::ostream& output, std::ostream& errors) {
  try {
    const TOptions options = ParseOptions(arguments);
    const bool exporting = SameTextASCII(options.Command, "export");
    if (!exporting && !SameTextASCII(options.Command, "query") &&
        !SameTextASCII(options.Command, "add") && !SameTextASCII(options.Command, "delete")) {
      throw TToolError{"Invalid syntax: unknown command " + options.Command, true};
    }
    if (options.Positional.size() != (exporting ? 2u : 1u)) {
      throw TToolError{"Invalid syntax: " + options.Command +
                           (exporting ? " needs KEY and FILE" : " needs one KEY"),
                       true};
    }
    if (SameTextASCII(options.Command, "query"))
      return Query(options, registry, output);
    if (SameTextASCII(options.Command, "add"))
      return Add(options, registry, input, output);
    if (SameTextASCII(options.Command, "delete"))
      return Delete(options, registry, input, output);
    return Export(options, registry, input, output);
  } catch (const TToolError& error) {
    errors << "ERROR: " << error.Message << "\n";
    if (error.ShowUsage)
      errors << Usage;
    return 1;
  }
}
