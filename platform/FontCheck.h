#pragma once

#include <QString>

class QFont;

// Envelopes, return addresses and stored files name Arial. Where no face with Arial's
// letter widths is installed, the font system puts a wider one in its place and lines
// laid out elsewhere wrap differently; the user is told once which face is used.

// Relative difference between the width of a sample address line set in font and the
// same line in Arial's widths (0.1 for a face 10% wider).
double ArialWidthError(const QFont &font);

// The family the font system uses for "Arial".
QString ArialResolvedFamily();

// "" when "Arial" resolves to a face with Arial's widths (within 1%), else the line
// for the status bar naming the face used instead.
QString ArialFallbackMessage();
