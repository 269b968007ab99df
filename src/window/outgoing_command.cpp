#include "outgoing_command.h"

namespace {

const QString powerline = QStringLiteral("sendplc");
const QString radio = QStringLiteral("sendrf");

} // namespace

OutgoingCommand outgoingCommand(CommandButton button, const QString &sourceText)
{
    switch (button) {
    case CommandButton::On:
        return {powerline, sourceText + QStringLiteral(" on")};
    case CommandButton::Off:
        return {powerline, sourceText + QStringLiteral(" off")};
    case CommandButton::SendPL:
        return {powerline, sourceText};
    case CommandButton::SendRF:
        return {radio, sourceText};
    }
    return {};
}
