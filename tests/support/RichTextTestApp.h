#pragma once

// Creates the one QApplication of a widget test binary before its first test.
void EnsureRichTextTestApp();
