// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/CommandDispatcher.h"

#include "common/AsciiText.h"

TCommandDispatcher::TCommandDispatcher(std::vector<TCommandHandler> handlers,
                                       std::string unknownCommandReply, bool disconnectOnUnknown)
    : FHandlers(std::move(handlers)), FUnknownCommandReply(std::move(unknownCommandReply)),
      FDisconnectOnUnknown(disconnectOnUnknown) {}

std::vector<std::string> TCommandDispatcher::SplitParams(std::string_view text) {
  std::vector<std::string> params;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t end = std::min(text.find(' ', position), text.size());
    if (end > position) {
      params.emplace_back(text.substr(position, end - position));
    }
    position = end + 1;
  }
  return params;
}

const TCommandHandler* TCommandDispatcher::FindHandler(std::string_view word) const {
  for (const TCommandHandler& handler : FHandlers) {
    if (SameTextASCII(handler.Command, word)) {
      return &handler;
    }
  }
  return nullptr;
}

void TCommandDispatcher::Execute(TContext& context) const {
  TTCPConnection& connection = context.Connection;
  std::string line = connection.ReadLn();
  if (line.empty()) {
    return;
  }
  const std::size_t space = line.find(' ');
  const std::string_view word = std::string_view(line).substr(0, space);
  const TCommandHandler* handler = FindHandler(word);
  if (!handler) {
    connection.WriteLn(FUnknownCommandReply + " " + line);
    if (FDisconnectOnUnknown) {
      connection.CloseGracefully();
    }
    return;
  }
  std::vector<std::string> params;
  if (handler->ParseParams && space != std::string::npos) {
    params = SplitParams(std::string_view(line).substr(space + 1));
  }
  std::string commandWord(word);
  TCommand command{context, std::move(line), std::move(commandWord), std::move(params)};
  handler->OnCommand(command);
  if (handler->Disconnect) {
    connection.CloseGracefully();
  }
}
