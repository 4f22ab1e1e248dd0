#pragma once

#include <QString>

// Character classes here are ASCII only: addresses and file names are tested
// against these exact sets, never against Unicode categories.

void BoolToYesNo(bool value, QString &result);
bool HasNoAsciiLetter(const QString &text);
bool IsDigitChar(QChar c);
bool IsLetterChar(QChar c);
bool IsInvalidFileNameChar(QChar c);
bool IsAllDigits(const QString &text);
int DigitValue(QChar c);
void TrimRightStr(const QString &text, QString &result);
// Blanks and control characters (codes up to 32) off both ends.
QString TrimBlanksAndControls(const QString &text);
void RemoveInvalidFileNameChars(QString &text);
// Appends the folder separator ("/" here) unless the text already ends in one.
void AppendBackslash(QString &path);
void DoubleAmpersands(const QString &text, QString &result);
// 1-based position of the last occurrence of c, 0 when absent.
int LastCharPos(QChar c, const QString &text);
