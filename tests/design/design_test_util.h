#pragma once
#include "support/design_fixtures.h"
