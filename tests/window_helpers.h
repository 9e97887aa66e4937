#pragma once
#include "support/window_helpers.h"
