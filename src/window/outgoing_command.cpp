#include "outgoing_command.h"

#include "control_contract.h"

namespace {

const QString powerline = QString::fromLatin1(ControlContract::powerlineVerb);
const QString radio = QString::fromLatin1(ControlContract::radioVerb);

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
