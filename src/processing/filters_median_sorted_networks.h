// Generated comparator networks for windows whose columns are already sorted.
// VELMORA_SORT_COLUMN_s(w, o): sorts w[0..s-1]; o[k] receives the k-th smallest.
// VELMORA_MEDIAN_SORTED_s(w, lo, med, hi): w[c*s + k] holds the k-th smallest
// value of window column c; gives minimum, median and maximum of the s*s values.
#pragma once

// 3 comparators
#define VELMORA_SORT_COLUMN_3(w, o) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        o[0] = w[0]; \
        o[1] = w[1]; \
        o[2] = w[2]; \
    } while (0)

// 16 comparators
#define VELMORA_MEDIAN_SORTED_3(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[3]); w[3] = MAX(w[0], w[3]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[5]); w[5] = MAX(w[2], w[5]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[4]); w[4] = MAX(w[1], w[4]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[4], w[3]); w[3] = MAX(w[4], w[3]); w[4] = t_; } \
        { auto t_ = MIN(w[0], w[6]); w[6] = MAX(w[0], w[6]); w[0] = t_; } \
        { auto t_ = MIN(w[3], w[6]); w[6] = MAX(w[3], w[6]); w[3] = t_; } \
        { auto t_ = MIN(w[2], w[8]); w[8] = MAX(w[2], w[8]); w[2] = t_; } \
        w[3] = MAX(w[2], w[3]); \
        w[6] = MAX(w[8], w[6]); \
        w[7] = MAX(w[1], w[7]); \
        { auto t_ = MIN(w[5], w[7]); w[7] = MAX(w[5], w[7]); w[5] = t_; } \
        w[4] = MIN(w[4], w[5]); \
        w[3] = MAX(w[4], w[3]); \
        w[6] = MAX(w[7], w[6]); \
        lo = w[0]; med = w[3]; hi = w[6]; \
    } while (0)

// 9 comparators
#define VELMORA_SORT_COLUMN_5(w, o) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[3]); w[3] = MAX(w[1], w[3]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[0], w[4]); w[4] = MAX(w[0], w[4]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        o[0] = w[0]; \
        o[1] = w[1]; \
        o[2] = w[2]; \
        o[3] = w[3]; \
        o[4] = w[4]; \
    } while (0)

// 85 comparators
#define VELMORA_MEDIAN_SORTED_5(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[5]); w[5] = MAX(w[0], w[5]); w[0] = t_; } \
        { auto t_ = MIN(w[4], w[9]); w[9] = MAX(w[4], w[9]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[2], w[7]); w[7] = MAX(w[2], w[7]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[7], w[5]); w[5] = MAX(w[7], w[5]); w[7] = t_; } \
        { auto t_ = MIN(w[1], w[6]); w[6] = MAX(w[1], w[6]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[8]); w[8] = MAX(w[3], w[8]); w[3] = t_; } \
        { auto t_ = MIN(w[3], w[6]); w[6] = MAX(w[3], w[6]); w[3] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[8], w[5]); w[5] = MAX(w[8], w[5]); w[8] = t_; } \
        { auto t_ = MIN(w[10], w[15]); w[15] = MAX(w[10], w[15]); w[10] = t_; } \
        { auto t_ = MIN(w[14], w[19]); w[19] = MAX(w[14], w[19]); w[14] = t_; } \
        { auto t_ = MIN(w[14], w[15]); w[15] = MAX(w[14], w[15]); w[14] = t_; } \
        { auto t_ = MIN(w[12], w[17]); w[17] = MAX(w[12], w[17]); w[12] = t_; } \
        { auto t_ = MIN(w[12], w[14]); w[14] = MAX(w[12], w[14]); w[12] = t_; } \
        { auto t_ = MIN(w[17], w[15]); w[15] = MAX(w[17], w[15]); w[17] = t_; } \
        { auto t_ = MIN(w[11], w[16]); w[16] = MAX(w[11], w[16]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[18]); w[18] = MAX(w[13], w[18]); w[13] = t_; } \
        { auto t_ = MIN(w[13], w[16]); w[16] = MAX(w[13], w[16]); w[13] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[16], w[17]); w[17] = MAX(w[16], w[17]); w[16] = t_; } \
        { auto t_ = MIN(w[18], w[15]); w[15] = MAX(w[18], w[15]); w[18] = t_; } \
        { auto t_ = MIN(w[0], w[10]); w[10] = MAX(w[0], w[10]); w[0] = t_; } \
        { auto t_ = MIN(w[5], w[15]); w[15] = MAX(w[5], w[15]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[10]); w[10] = MAX(w[5], w[10]); w[5] = t_; } \
        { auto t_ = MIN(w[4], w[14]); w[14] = MAX(w[4], w[14]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[14], w[10]); w[10] = MAX(w[14], w[10]); w[14] = t_; } \
        { auto t_ = MIN(w[2], w[12]); w[12] = MAX(w[2], w[12]); w[2] = t_; } \
        { auto t_ = MIN(w[7], w[17]); w[17] = MAX(w[7], w[17]); w[7] = t_; } \
        { auto t_ = MIN(w[7], w[12]); w[12] = MAX(w[7], w[12]); w[7] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[7], w[5]); w[5] = MAX(w[7], w[5]); w[7] = t_; } \
        { auto t_ = MIN(w[12], w[14]); w[14] = MAX(w[12], w[14]); w[12] = t_; } \
        { auto t_ = MIN(w[17], w[10]); w[10] = MAX(w[17], w[10]); w[17] = t_; } \
        { auto t_ = MIN(w[1], w[11]); w[11] = MAX(w[1], w[11]); w[1] = t_; } \
        { auto t_ = MIN(w[9], w[19]); w[19] = MAX(w[9], w[19]); w[9] = t_; } \
        { auto t_ = MIN(w[9], w[11]); w[11] = MAX(w[9], w[11]); w[9] = t_; } \
        { auto t_ = MIN(w[6], w[16]); w[16] = MAX(w[6], w[16]); w[6] = t_; } \
        { auto t_ = MIN(w[6], w[9]); w[9] = MAX(w[6], w[9]); w[6] = t_; } \
        { auto t_ = MIN(w[16], w[11]); w[11] = MAX(w[16], w[11]); w[16] = t_; } \
        { auto t_ = MIN(w[3], w[13]); w[13] = MAX(w[3], w[13]); w[3] = t_; } \
        { auto t_ = MIN(w[8], w[18]); w[18] = MAX(w[8], w[18]); w[8] = t_; } \
        { auto t_ = MIN(w[8], w[13]); w[13] = MAX(w[8], w[13]); w[8] = t_; } \
        { auto t_ = MIN(w[3], w[6]); w[6] = MAX(w[3], w[6]); w[3] = t_; } \
        { auto t_ = MIN(w[8], w[9]); w[9] = MAX(w[8], w[9]); w[8] = t_; } \
        { auto t_ = MIN(w[13], w[16]); w[16] = MAX(w[13], w[16]); w[13] = t_; } \
        { auto t_ = MIN(w[18], w[11]); w[11] = MAX(w[18], w[11]); w[18] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        w[7] = MAX(w[6], w[7]); \
        { auto t_ = MIN(w[8], w[5]); w[5] = MAX(w[8], w[5]); w[8] = t_; } \
        { auto t_ = MIN(w[9], w[12]); w[12] = MAX(w[9], w[12]); w[9] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        w[16] = MIN(w[16], w[17]); \
        w[10] = MAX(w[18], w[10]); \
        { auto t_ = MIN(w[11], w[15]); w[15] = MAX(w[11], w[15]); w[11] = t_; } \
        { auto t_ = MIN(w[0], w[20]); w[20] = MAX(w[0], w[20]); w[0] = t_; } \
        { auto t_ = MIN(w[10], w[20]); w[20] = MAX(w[10], w[20]); w[10] = t_; } \
        w[10] = MAX(w[5], w[10]); \
        w[24] = MAX(w[4], w[24]); \
        { auto t_ = MIN(w[14], w[24]); w[24] = MAX(w[14], w[24]); w[14] = t_; } \
        w[14] = MIN(w[14], w[10]); \
        w[20] = MAX(w[24], w[20]); \
        w[22] = MAX(w[2], w[22]); \
        { auto t_ = MIN(w[15], w[22]); w[22] = MAX(w[15], w[22]); w[15] = t_; } \
        w[12] = MIN(w[12], w[15]); \
        w[12] = MAX(w[7], w[12]); \
        w[14] = MAX(w[12], w[14]); \
        w[20] = MAX(w[22], w[20]); \
        w[21] = MAX(w[1], w[21]); \
        w[11] = MIN(w[11], w[21]); \
        w[11] = MAX(w[9], w[11]); \
        w[16] = MIN(w[16], w[11]); \
        w[23] = MAX(w[3], w[23]); \
        { auto t_ = MIN(w[19], w[23]); w[23] = MAX(w[19], w[23]); w[19] = t_; } \
        w[13] = MIN(w[13], w[19]); \
        w[13] = MAX(w[8], w[13]); \
        w[13] = MIN(w[13], w[16]); \
        w[14] = MAX(w[13], w[14]); \
        w[20] = MAX(w[23], w[20]); \
        lo = w[0]; med = w[14]; hi = w[20]; \
    } while (0)

// 16 comparators
#define VELMORA_SORT_COLUMN_7(w, o) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[3]); w[3] = MAX(w[1], w[3]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[6]); w[6] = MAX(w[4], w[6]); w[4] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[0], w[4]); w[4] = MAX(w[0], w[4]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[6]); w[6] = MAX(w[2], w[6]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[5]); w[5] = MAX(w[1], w[5]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        o[0] = w[0]; \
        o[1] = w[1]; \
        o[2] = w[2]; \
        o[3] = w[3]; \
        o[4] = w[4]; \
        o[5] = w[5]; \
        o[6] = w[6]; \
    } while (0)

// 211 comparators
#define VELMORA_MEDIAN_SORTED_7(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[7]); w[7] = MAX(w[0], w[7]); w[0] = t_; } \
        { auto t_ = MIN(w[4], w[11]); w[11] = MAX(w[4], w[11]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[7]); w[7] = MAX(w[4], w[7]); w[4] = t_; } \
        { auto t_ = MIN(w[2], w[9]); w[9] = MAX(w[2], w[9]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[13]); w[13] = MAX(w[6], w[13]); w[6] = t_; } \
        { auto t_ = MIN(w[6], w[9]); w[9] = MAX(w[6], w[9]); w[6] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[9], w[11]); w[11] = MAX(w[9], w[11]); w[9] = t_; } \
        { auto t_ = MIN(w[1], w[8]); w[8] = MAX(w[1], w[8]); w[1] = t_; } \
        { auto t_ = MIN(w[5], w[12]); w[12] = MAX(w[5], w[12]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[8]); w[8] = MAX(w[5], w[8]); w[5] = t_; } \
        { auto t_ = MIN(w[3], w[10]); w[10] = MAX(w[3], w[10]); w[3] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[10], w[8]); w[8] = MAX(w[10], w[8]); w[10] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[10], w[7]); w[7] = MAX(w[10], w[7]); w[10] = t_; } \
        { auto t_ = MIN(w[8], w[9]); w[9] = MAX(w[8], w[9]); w[8] = t_; } \
        { auto t_ = MIN(w[12], w[11]); w[11] = MAX(w[12], w[11]); w[12] = t_; } \
        { auto t_ = MIN(w[14], w[21]); w[21] = MAX(w[14], w[21]); w[14] = t_; } \
        { auto t_ = MIN(w[18], w[25]); w[25] = MAX(w[18], w[25]); w[18] = t_; } \
        { auto t_ = MIN(w[18], w[21]); w[21] = MAX(w[18], w[21]); w[18] = t_; } \
        { auto t_ = MIN(w[16], w[23]); w[23] = MAX(w[16], w[23]); w[16] = t_; } \
        { auto t_ = MIN(w[20], w[27]); w[27] = MAX(w[20], w[27]); w[20] = t_; } \
        { auto t_ = MIN(w[20], w[23]); w[23] = MAX(w[20], w[23]); w[20] = t_; } \
        { auto t_ = MIN(w[16], w[18]); w[18] = MAX(w[16], w[18]); w[16] = t_; } \
        { auto t_ = MIN(w[20], w[21]); w[21] = MAX(w[20], w[21]); w[20] = t_; } \
        { auto t_ = MIN(w[23], w[25]); w[25] = MAX(w[23], w[25]); w[23] = t_; } \
        { auto t_ = MIN(w[15], w[22]); w[22] = MAX(w[15], w[22]); w[15] = t_; } \
        { auto t_ = MIN(w[19], w[26]); w[26] = MAX(w[19], w[26]); w[19] = t_; } \
        { auto t_ = MIN(w[19], w[22]); w[22] = MAX(w[19], w[22]); w[19] = t_; } \
        { auto t_ = MIN(w[17], w[24]); w[24] = MAX(w[17], w[24]); w[17] = t_; } \
        { auto t_ = MIN(w[17], w[19]); w[19] = MAX(w[17], w[19]); w[17] = t_; } \
        { auto t_ = MIN(w[24], w[22]); w[22] = MAX(w[24], w[22]); w[24] = t_; } \
        { auto t_ = MIN(w[15], w[16]); w[16] = MAX(w[15], w[16]); w[15] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[24], w[21]); w[21] = MAX(w[24], w[21]); w[24] = t_; } \
        { auto t_ = MIN(w[22], w[23]); w[23] = MAX(w[22], w[23]); w[22] = t_; } \
        { auto t_ = MIN(w[26], w[25]); w[25] = MAX(w[26], w[25]); w[26] = t_; } \
        { auto t_ = MIN(w[28], w[35]); w[35] = MAX(w[28], w[35]); w[28] = t_; } \
        { auto t_ = MIN(w[32], w[39]); w[39] = MAX(w[32], w[39]); w[32] = t_; } \
        { auto t_ = MIN(w[32], w[35]); w[35] = MAX(w[32], w[35]); w[32] = t_; } \
        { auto t_ = MIN(w[30], w[37]); w[37] = MAX(w[30], w[37]); w[30] = t_; } \
        { auto t_ = MIN(w[34], w[41]); w[41] = MAX(w[34], w[41]); w[34] = t_; } \
        { auto t_ = MIN(w[34], w[37]); w[37] = MAX(w[34], w[37]); w[34] = t_; } \
        { auto t_ = MIN(w[30], w[32]); w[32] = MAX(w[30], w[32]); w[30] = t_; } \
        { auto t_ = MIN(w[34], w[35]); w[35] = MAX(w[34], w[35]); w[34] = t_; } \
        { auto t_ = MIN(w[37], w[39]); w[39] = MAX(w[37], w[39]); w[37] = t_; } \
        { auto t_ = MIN(w[29], w[36]); w[36] = MAX(w[29], w[36]); w[29] = t_; } \
        { auto t_ = MIN(w[33], w[40]); w[40] = MAX(w[33], w[40]); w[33] = t_; } \
        { auto t_ = MIN(w[33], w[36]); w[36] = MAX(w[33], w[36]); w[33] = t_; } \
        { auto t_ = MIN(w[31], w[38]); w[38] = MAX(w[31], w[38]); w[31] = t_; } \
        { auto t_ = MIN(w[31], w[33]); w[33] = MAX(w[31], w[33]); w[31] = t_; } \
        { auto t_ = MIN(w[38], w[36]); w[36] = MAX(w[38], w[36]); w[38] = t_; } \
        { auto t_ = MIN(w[29], w[30]); w[30] = MAX(w[29], w[30]); w[29] = t_; } \
        { auto t_ = MIN(w[31], w[32]); w[32] = MAX(w[31], w[32]); w[31] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[38], w[35]); w[35] = MAX(w[38], w[35]); w[38] = t_; } \
        { auto t_ = MIN(w[36], w[37]); w[37] = MAX(w[36], w[37]); w[36] = t_; } \
        { auto t_ = MIN(w[40], w[39]); w[39] = MAX(w[40], w[39]); w[40] = t_; } \
        { auto t_ = MIN(w[0], w[14]); w[14] = MAX(w[0], w[14]); w[0] = t_; } \
        { auto t_ = MIN(w[7], w[21]); w[21] = MAX(w[7], w[21]); w[7] = t_; } \
        { auto t_ = MIN(w[7], w[14]); w[14] = MAX(w[7], w[14]); w[7] = t_; } \
        { auto t_ = MIN(w[4], w[18]); w[18] = MAX(w[4], w[18]); w[4] = t_; } \
        { auto t_ = MIN(w[11], w[25]); w[25] = MAX(w[11], w[25]); w[11] = t_; } \
        { auto t_ = MIN(w[11], w[18]); w[18] = MAX(w[11], w[18]); w[11] = t_; } \
        { auto t_ = MIN(w[4], w[7]); w[7] = MAX(w[4], w[7]); w[4] = t_; } \
        { auto t_ = MIN(w[11], w[14]); w[14] = MAX(w[11], w[14]); w[11] = t_; } \
        { auto t_ = MIN(w[18], w[21]); w[21] = MAX(w[18], w[21]); w[18] = t_; } \
        { auto t_ = MIN(w[2], w[16]); w[16] = MAX(w[2], w[16]); w[2] = t_; } \
        { auto t_ = MIN(w[9], w[23]); w[23] = MAX(w[9], w[23]); w[9] = t_; } \
        { auto t_ = MIN(w[9], w[16]); w[16] = MAX(w[9], w[16]); w[9] = t_; } \
        { auto t_ = MIN(w[6], w[20]); w[20] = MAX(w[6], w[20]); w[6] = t_; } \
        { auto t_ = MIN(w[6], w[9]); w[9] = MAX(w[6], w[9]); w[6] = t_; } \
        { auto t_ = MIN(w[20], w[16]); w[16] = MAX(w[20], w[16]); w[20] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[9], w[11]); w[11] = MAX(w[9], w[11]); w[9] = t_; } \
        { auto t_ = MIN(w[20], w[14]); w[14] = MAX(w[20], w[14]); w[20] = t_; } \
        { auto t_ = MIN(w[16], w[18]); w[18] = MAX(w[16], w[18]); w[16] = t_; } \
        { auto t_ = MIN(w[23], w[21]); w[21] = MAX(w[23], w[21]); w[23] = t_; } \
        { auto t_ = MIN(w[1], w[15]); w[15] = MAX(w[1], w[15]); w[1] = t_; } \
        { auto t_ = MIN(w[8], w[22]); w[22] = MAX(w[8], w[22]); w[8] = t_; } \
        { auto t_ = MIN(w[8], w[15]); w[15] = MAX(w[8], w[15]); w[8] = t_; } \
        { auto t_ = MIN(w[5], w[19]); w[19] = MAX(w[5], w[19]); w[5] = t_; } \
        { auto t_ = MIN(w[13], w[27]); w[27] = MAX(w[13], w[27]); w[13] = t_; } \
        { auto t_ = MIN(w[13], w[19]); w[19] = MAX(w[13], w[19]); w[13] = t_; } \
        { auto t_ = MIN(w[5], w[8]); w[8] = MAX(w[5], w[8]); w[5] = t_; } \
        { auto t_ = MIN(w[13], w[15]); w[15] = MAX(w[13], w[15]); w[13] = t_; } \
        { auto t_ = MIN(w[19], w[22]); w[22] = MAX(w[19], w[22]); w[19] = t_; } \
        { auto t_ = MIN(w[3], w[17]); w[17] = MAX(w[3], w[17]); w[3] = t_; } \
        { auto t_ = MIN(w[12], w[26]); w[26] = MAX(w[12], w[26]); w[12] = t_; } \
        { auto t_ = MIN(w[12], w[17]); w[17] = MAX(w[12], w[17]); w[12] = t_; } \
        { auto t_ = MIN(w[10], w[24]); w[24] = MAX(w[10], w[24]); w[10] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[24], w[17]); w[17] = MAX(w[24], w[17]); w[24] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[10], w[8]); w[8] = MAX(w[10], w[8]); w[10] = t_; } \
        { auto t_ = MIN(w[12], w[13]); w[13] = MAX(w[12], w[13]); w[12] = t_; } \
        { auto t_ = MIN(w[24], w[15]); w[15] = MAX(w[24], w[15]); w[24] = t_; } \
        { auto t_ = MIN(w[17], w[19]); w[19] = MAX(w[17], w[19]); w[17] = t_; } \
        { auto t_ = MIN(w[26], w[22]); w[22] = MAX(w[26], w[22]); w[26] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[10], w[7]); w[7] = MAX(w[10], w[7]); w[10] = t_; } \
        { auto t_ = MIN(w[8], w[9]); w[9] = MAX(w[8], w[9]); w[8] = t_; } \
        { auto t_ = MIN(w[12], w[11]); w[11] = MAX(w[12], w[11]); w[12] = t_; } \
        { auto t_ = MIN(w[13], w[20]); w[20] = MAX(w[13], w[20]); w[13] = t_; } \
        { auto t_ = MIN(w[24], w[14]); w[14] = MAX(w[24], w[14]); w[24] = t_; } \
        { auto t_ = MIN(w[15], w[16]); w[16] = MAX(w[15], w[16]); w[15] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[23]); w[23] = MAX(w[19], w[23]); w[19] = t_; } \
        { auto t_ = MIN(w[26], w[21]); w[21] = MAX(w[26], w[21]); w[26] = t_; } \
        { auto t_ = MIN(w[22], w[25]); w[25] = MAX(w[22], w[25]); w[22] = t_; } \
        { auto t_ = MIN(w[28], w[42]); w[42] = MAX(w[28], w[42]); w[28] = t_; } \
        { auto t_ = MIN(w[35], w[42]); w[42] = MAX(w[35], w[42]); w[35] = t_; } \
        { auto t_ = MIN(w[32], w[46]); w[46] = MAX(w[32], w[46]); w[32] = t_; } \
        { auto t_ = MIN(w[39], w[46]); w[46] = MAX(w[39], w[46]); w[39] = t_; } \
        { auto t_ = MIN(w[32], w[35]); w[35] = MAX(w[32], w[35]); w[32] = t_; } \
        { auto t_ = MIN(w[39], w[42]); w[42] = MAX(w[39], w[42]); w[39] = t_; } \
        { auto t_ = MIN(w[30], w[44]); w[44] = MAX(w[30], w[44]); w[30] = t_; } \
        { auto t_ = MIN(w[37], w[44]); w[44] = MAX(w[37], w[44]); w[37] = t_; } \
        { auto t_ = MIN(w[34], w[48]); w[48] = MAX(w[34], w[48]); w[34] = t_; } \
        { auto t_ = MIN(w[34], w[37]); w[37] = MAX(w[34], w[37]); w[34] = t_; } \
        { auto t_ = MIN(w[48], w[44]); w[44] = MAX(w[48], w[44]); w[48] = t_; } \
        { auto t_ = MIN(w[30], w[32]); w[32] = MAX(w[30], w[32]); w[30] = t_; } \
        { auto t_ = MIN(w[34], w[35]); w[35] = MAX(w[34], w[35]); w[34] = t_; } \
        { auto t_ = MIN(w[37], w[39]); w[39] = MAX(w[37], w[39]); w[37] = t_; } \
        { auto t_ = MIN(w[48], w[42]); w[42] = MAX(w[48], w[42]); w[48] = t_; } \
        { auto t_ = MIN(w[44], w[46]); w[46] = MAX(w[44], w[46]); w[44] = t_; } \
        { auto t_ = MIN(w[29], w[43]); w[43] = MAX(w[29], w[43]); w[29] = t_; } \
        { auto t_ = MIN(w[36], w[43]); w[43] = MAX(w[36], w[43]); w[36] = t_; } \
        { auto t_ = MIN(w[33], w[47]); w[47] = MAX(w[33], w[47]); w[33] = t_; } \
        { auto t_ = MIN(w[41], w[47]); w[47] = MAX(w[41], w[47]); w[41] = t_; } \
        { auto t_ = MIN(w[33], w[36]); w[36] = MAX(w[33], w[36]); w[33] = t_; } \
        { auto t_ = MIN(w[41], w[43]); w[43] = MAX(w[41], w[43]); w[41] = t_; } \
        { auto t_ = MIN(w[31], w[45]); w[45] = MAX(w[31], w[45]); w[31] = t_; } \
        { auto t_ = MIN(w[40], w[45]); w[45] = MAX(w[40], w[45]); w[40] = t_; } \
        { auto t_ = MIN(w[38], w[40]); w[40] = MAX(w[38], w[40]); w[38] = t_; } \
        { auto t_ = MIN(w[31], w[33]); w[33] = MAX(w[31], w[33]); w[31] = t_; } \
        { auto t_ = MIN(w[38], w[36]); w[36] = MAX(w[38], w[36]); w[38] = t_; } \
        { auto t_ = MIN(w[40], w[41]); w[41] = MAX(w[40], w[41]); w[40] = t_; } \
        { auto t_ = MIN(w[45], w[43]); w[43] = MAX(w[45], w[43]); w[45] = t_; } \
        { auto t_ = MIN(w[29], w[30]); w[30] = MAX(w[29], w[30]); w[29] = t_; } \
        { auto t_ = MIN(w[31], w[32]); w[32] = MAX(w[31], w[32]); w[31] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[38], w[35]); w[35] = MAX(w[38], w[35]); w[38] = t_; } \
        { auto t_ = MIN(w[36], w[37]); w[37] = MAX(w[36], w[37]); w[36] = t_; } \
        { auto t_ = MIN(w[40], w[39]); w[39] = MAX(w[40], w[39]); w[40] = t_; } \
        { auto t_ = MIN(w[41], w[48]); w[48] = MAX(w[41], w[48]); w[41] = t_; } \
        { auto t_ = MIN(w[45], w[42]); w[42] = MAX(w[45], w[42]); w[45] = t_; } \
        { auto t_ = MIN(w[43], w[44]); w[44] = MAX(w[43], w[44]); w[43] = t_; } \
        { auto t_ = MIN(w[47], w[46]); w[46] = MAX(w[47], w[46]); w[47] = t_; } \
        { auto t_ = MIN(w[0], w[28]); w[28] = MAX(w[0], w[28]); w[0] = t_; } \
        { auto t_ = MIN(w[14], w[42]); w[42] = MAX(w[14], w[42]); w[14] = t_; } \
        w[28] = MAX(w[14], w[28]); \
        w[35] = MAX(w[7], w[35]); \
        { auto t_ = MIN(w[21], w[35]); w[35] = MAX(w[21], w[35]); w[21] = t_; } \
        w[21] = MIN(w[21], w[28]); \
        w[42] = MAX(w[35], w[42]); \
        w[32] = MAX(w[4], w[32]); \
        { auto t_ = MIN(w[18], w[46]); w[46] = MAX(w[18], w[46]); w[18] = t_; } \
        w[18] = MIN(w[18], w[32]); \
        w[11] = MIN(w[11], w[39]); \
        w[18] = MAX(w[11], w[18]); \
        w[21] = MAX(w[18], w[21]); \
        w[42] = MAX(w[46], w[42]); \
        w[30] = MAX(w[2], w[30]); \
        { auto t_ = MIN(w[16], w[44]); w[44] = MAX(w[16], w[44]); w[16] = t_; } \
        w[30] = MAX(w[16], w[30]); \
        w[37] = MAX(w[9], w[37]); \
        { auto t_ = MIN(w[25], w[37]); w[37] = MAX(w[25], w[37]); w[25] = t_; } \
        w[25] = MIN(w[25], w[30]); \
        w[44] = MAX(w[37], w[44]); \
        w[34] = MAX(w[6], w[34]); \
        w[23] = MIN(w[23], w[34]); \
        w[20] = MIN(w[20], w[48]); \
        w[23] = MAX(w[20], w[23]); \
        w[23] = MIN(w[23], w[25]); \
        w[21] = MAX(w[23], w[21]); \
        w[42] = MAX(w[44], w[42]); \
        w[29] = MAX(w[1], w[29]); \
        w[15] = MIN(w[15], w[43]); \
        w[29] = MAX(w[15], w[29]); \
        w[36] = MAX(w[8], w[36]); \
        w[22] = MIN(w[22], w[36]); \
        w[22] = MIN(w[22], w[29]); \
        w[33] = MAX(w[5], w[33]); \
        w[19] = MIN(w[19], w[33]); \
        w[13] = MIN(w[13], w[41]); \
        w[19] = MAX(w[13], w[19]); \
        w[22] = MAX(w[19], w[22]); \
        w[31] = MAX(w[3], w[31]); \
        { auto t_ = MIN(w[17], w[47]); w[47] = MAX(w[17], w[47]); w[17] = t_; } \
        w[31] = MAX(w[17], w[31]); \
        w[40] = MAX(w[12], w[40]); \
        { auto t_ = MIN(w[27], w[40]); w[40] = MAX(w[27], w[40]); w[27] = t_; } \
        w[27] = MIN(w[27], w[31]); \
        w[47] = MAX(w[40], w[47]); \
        w[38] = MAX(w[10], w[38]); \
        w[26] = MIN(w[26], w[38]); \
        w[24] = MIN(w[24], w[45]); \
        w[26] = MAX(w[24], w[26]); \
        w[26] = MIN(w[26], w[27]); \
        w[26] = MIN(w[26], w[22]); \
        w[21] = MAX(w[26], w[21]); \
        w[42] = MAX(w[47], w[42]); \
        lo = w[0]; med = w[21]; hi = w[42]; \
    } while (0)
