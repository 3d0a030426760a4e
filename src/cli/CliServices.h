#pragma once

#include "workspace/JobServices.h"

// The real outside services the desktop program also uses: the cloud and Ollama clients, the
// credential store and the local transcriber, with the stored model settings.
namespace CliServices {
JobServices jobServices();
}
