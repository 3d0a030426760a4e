#include "support/TaskRunner.h"
