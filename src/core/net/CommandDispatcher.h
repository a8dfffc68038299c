// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/Context.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One command line as the dispatcher received it.
struct TCommand {
  TContext& Context;
  std::string RawLine;
  std::string CommandWord;
  std::vector<std::string> Params;
};

struct TCommandHandler {
  std::string Command; // matched without regard to ASCII case
  bool ParseParams = true;
  bool Disconnect = false; // close the connection after the handler returns
  std::function<void(TCommand&)> OnCommand;
};

// Line commands on a connection (nothing is sent on connect): reads one line, matches
// its first word against the registered commands and calls the handler. Lines of no
// known command get UnknownCommandReply followed by the line as received, and with
// disconnectOnUnknown the connection closes after that reply.
class TCommandDispatcher {
public:
  TCommandDispatcher(std::vector<TCommandHandler> handlers, std::string unknownCommandReply,
                     bool disconnectOnUnknown = false);

  // Splits at spaces; runs of spaces do not make empty parameters.
  static std::vector<std::string> SplitParams(std::string_view text);

  // Reads and runs one command; an empty line runs nothing.
  void Execute(TContext& context) const;

private:
  const TCommandHandler* FindHandler(std::string_view word) const;

  const std::vector<TCommandHandler> FHandlers;
  const std::string FUnknownCommandReply;
  const bool FDisconnectOnUnknown;
};
