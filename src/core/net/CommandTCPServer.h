// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/TCPServer.h"

#include <functional>
#include <string>
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

// Line-command server (nothing is sent on connect): reads one line, matches its first word against
// the registered commands and calls the handler. Lines of no known command get UnknownCommandReply
// followed by the line as received.
class TCommandTCPServer : public TTCPServer {
public:
  // Registered before the server is activated, not changed while it runs.
  std::vector<TCommandHandler> CommandHandlers;
  std::string UnknownCommandReply = "400";

  // Splits at spaces; runs of spaces do not make empty parameters.
  static std::vector<std::string> SplitParams(std::string_view text);

protected:
  // Runs before each line is read; false means the connection was dealt with.
  virtual bool BeforeCommand(TContext&) { return true; }
  void Execute(TContext& context) override;

private:
  const TCommandHandler* FindHandler(std::string_view word) const;
};
