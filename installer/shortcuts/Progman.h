// The client side of a DDE conversation with Program Manager. The instance and the conversation
// are process-wide; the callback forgets the conversation when the server ends it.
#pragma once

#include <windows.h>

#include <ddeml.h>

// Starts the DDE client instance, or renews the one started before. False when no instance could
// be started.
bool DdeStartClient();

// Opens a conversation with service and topic, ending one that is still open; true when the
// server answered.
bool DdeOpenConversation(const char* service, const char* topic);

// Ends the conversation if one is open.
void DdeCloseConversation();

// Sends one command and waits up to 10 s for the server's answer; true when it accepted it.
bool DdeExecuteCommand(const char* command);

HDDEDATA CALLBACK DdeEventCallback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                   HSZ service, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
