#include "PlayListFixture.h"
