#pragma once
#include "gif/GIFImage.h"
