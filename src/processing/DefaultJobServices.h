#pragma once

#include "workspace/JobServices.h"

// The real outside services, shared by the desktop program and the command line: the cloud and
// Ollama clients, the credential store and the local transcriber, with the stored model settings.
namespace DefaultJobServices {
JobServices jobServices();
}
