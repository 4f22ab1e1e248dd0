#include "gif/GIFEncoders.h"
#include "gif/GIFSubImage.h"
void EncodeSubImage(TGIFSubImage &, QIODevice &) {}
