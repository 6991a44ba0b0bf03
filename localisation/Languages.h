#pragma once

// Languages by index: 0 English, 1 French, 2 German, 3 Spanish, 4 Italian,
// 5 Dutch, 6 Russian, 7 Portuguese, 8 Simplified Chinese, 9 Traditional
// Chinese, 10 Korean, 11 Japanese. A language list item's identifier is the
// index plus 1.
constexpr int kLanguageCount = 12;
