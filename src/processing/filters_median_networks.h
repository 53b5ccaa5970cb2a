// Generated comparator networks: minimum, median and maximum of 9, 25 and 49
// values (odd-even merge sort, padded to a power of two, pruned to the three
// outputs). MIN and MAX are defined by the includer; w0..w(n-1) hold the
// values and are overwritten.
#pragma once

// 26 comparators
#define VELMORA_MEDIAN_NETWORK_9(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[3]); w[3] = MAX(w[1], w[3]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[4], w[6]); w[6] = MAX(w[4], w[6]); w[4] = t_; } \
        { auto t_ = MIN(w[5], w[7]); w[7] = MAX(w[5], w[7]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[0], w[4]); w[4] = MAX(w[0], w[4]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[6]); w[6] = MAX(w[2], w[6]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[5]); w[5] = MAX(w[1], w[5]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[7]); w[7] = MAX(w[3], w[7]); w[3] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        w[2] = MAX(w[1], w[2]); \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[0], w[8]); w[8] = MAX(w[0], w[8]); w[0] = t_; } \
        { auto t_ = MIN(w[4], w[8]); w[8] = MAX(w[4], w[8]); w[4] = t_; } \
        w[4] = MAX(w[2], w[4]); \
        w[8] = MAX(w[6], w[8]); \
        w[3] = MIN(w[3], w[5]); \
        w[4] = MAX(w[3], w[4]); \
        w[8] = MAX(w[7], w[8]); \
        lo = w[0]; med = w[4]; hi = w[8]; \
    } while (0)

// 118 comparators
#define VELMORA_MEDIAN_NETWORK_25(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[3]); w[3] = MAX(w[1], w[3]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[4], w[6]); w[6] = MAX(w[4], w[6]); w[4] = t_; } \
        { auto t_ = MIN(w[5], w[7]); w[7] = MAX(w[5], w[7]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[0], w[4]); w[4] = MAX(w[0], w[4]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[6]); w[6] = MAX(w[2], w[6]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[5]); w[5] = MAX(w[1], w[5]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[7]); w[7] = MAX(w[3], w[7]); w[3] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[8], w[9]); w[9] = MAX(w[8], w[9]); w[8] = t_; } \
        { auto t_ = MIN(w[10], w[11]); w[11] = MAX(w[10], w[11]); w[10] = t_; } \
        { auto t_ = MIN(w[8], w[10]); w[10] = MAX(w[8], w[10]); w[8] = t_; } \
        { auto t_ = MIN(w[9], w[11]); w[11] = MAX(w[9], w[11]); w[9] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[12], w[13]); w[13] = MAX(w[12], w[13]); w[12] = t_; } \
        { auto t_ = MIN(w[14], w[15]); w[15] = MAX(w[14], w[15]); w[14] = t_; } \
        { auto t_ = MIN(w[12], w[14]); w[14] = MAX(w[12], w[14]); w[12] = t_; } \
        { auto t_ = MIN(w[13], w[15]); w[15] = MAX(w[13], w[15]); w[13] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[8], w[12]); w[12] = MAX(w[8], w[12]); w[8] = t_; } \
        { auto t_ = MIN(w[10], w[14]); w[14] = MAX(w[10], w[14]); w[10] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[9], w[13]); w[13] = MAX(w[9], w[13]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[15]); w[15] = MAX(w[11], w[15]); w[11] = t_; } \
        { auto t_ = MIN(w[11], w[13]); w[13] = MAX(w[11], w[13]); w[11] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[0], w[8]); w[8] = MAX(w[0], w[8]); w[0] = t_; } \
        { auto t_ = MIN(w[4], w[12]); w[12] = MAX(w[4], w[12]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[8]); w[8] = MAX(w[4], w[8]); w[4] = t_; } \
        { auto t_ = MIN(w[2], w[10]); w[10] = MAX(w[2], w[10]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[14]); w[14] = MAX(w[6], w[14]); w[6] = t_; } \
        { auto t_ = MIN(w[6], w[10]); w[10] = MAX(w[6], w[10]); w[6] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[8]); w[8] = MAX(w[6], w[8]); w[6] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[1], w[9]); w[9] = MAX(w[1], w[9]); w[1] = t_; } \
        { auto t_ = MIN(w[5], w[13]); w[13] = MAX(w[5], w[13]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[9]); w[9] = MAX(w[5], w[9]); w[5] = t_; } \
        { auto t_ = MIN(w[3], w[11]); w[11] = MAX(w[3], w[11]); w[3] = t_; } \
        { auto t_ = MIN(w[7], w[15]); w[15] = MAX(w[7], w[15]); w[7] = t_; } \
        { auto t_ = MIN(w[7], w[11]); w[11] = MAX(w[7], w[11]); w[7] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[7], w[9]); w[9] = MAX(w[7], w[9]); w[7] = t_; } \
        { auto t_ = MIN(w[11], w[13]); w[13] = MAX(w[11], w[13]); w[11] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[7], w[8]); w[8] = MAX(w[7], w[8]); w[7] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[16], w[17]); w[17] = MAX(w[16], w[17]); w[16] = t_; } \
        { auto t_ = MIN(w[18], w[19]); w[19] = MAX(w[18], w[19]); w[18] = t_; } \
        { auto t_ = MIN(w[16], w[18]); w[18] = MAX(w[16], w[18]); w[16] = t_; } \
        { auto t_ = MIN(w[17], w[19]); w[19] = MAX(w[17], w[19]); w[17] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[20], w[21]); w[21] = MAX(w[20], w[21]); w[20] = t_; } \
        { auto t_ = MIN(w[22], w[23]); w[23] = MAX(w[22], w[23]); w[22] = t_; } \
        { auto t_ = MIN(w[20], w[22]); w[22] = MAX(w[20], w[22]); w[20] = t_; } \
        { auto t_ = MIN(w[21], w[23]); w[23] = MAX(w[21], w[23]); w[21] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[16], w[20]); w[20] = MAX(w[16], w[20]); w[16] = t_; } \
        { auto t_ = MIN(w[18], w[22]); w[22] = MAX(w[18], w[22]); w[18] = t_; } \
        { auto t_ = MIN(w[18], w[20]); w[20] = MAX(w[18], w[20]); w[18] = t_; } \
        { auto t_ = MIN(w[17], w[21]); w[21] = MAX(w[17], w[21]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[23]); w[23] = MAX(w[19], w[23]); w[19] = t_; } \
        { auto t_ = MIN(w[19], w[21]); w[21] = MAX(w[19], w[21]); w[19] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[16], w[24]); w[24] = MAX(w[16], w[24]); w[16] = t_; } \
        { auto t_ = MIN(w[20], w[24]); w[24] = MAX(w[20], w[24]); w[20] = t_; } \
        { auto t_ = MIN(w[18], w[20]); w[20] = MAX(w[18], w[20]); w[18] = t_; } \
        { auto t_ = MIN(w[22], w[24]); w[24] = MAX(w[22], w[24]); w[22] = t_; } \
        { auto t_ = MIN(w[19], w[21]); w[21] = MAX(w[19], w[21]); w[19] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[23], w[24]); w[24] = MAX(w[23], w[24]); w[23] = t_; } \
        { auto t_ = MIN(w[0], w[16]); w[16] = MAX(w[0], w[16]); w[0] = t_; } \
        { auto t_ = MIN(w[8], w[24]); w[24] = MAX(w[8], w[24]); w[8] = t_; } \
        w[16] = MAX(w[8], w[16]); \
        w[20] = MAX(w[4], w[20]); \
        { auto t_ = MIN(w[12], w[20]); w[20] = MAX(w[12], w[20]); w[12] = t_; } \
        w[12] = MIN(w[12], w[16]); \
        w[24] = MAX(w[20], w[24]); \
        w[18] = MAX(w[2], w[18]); \
        w[10] = MIN(w[10], w[18]); \
        { auto t_ = MIN(w[6], w[22]); w[22] = MAX(w[6], w[22]); w[6] = t_; } \
        w[22] = MAX(w[14], w[22]); \
        w[10] = MAX(w[6], w[10]); \
        w[12] = MAX(w[10], w[12]); \
        w[24] = MAX(w[22], w[24]); \
        w[17] = MAX(w[1], w[17]); \
        w[17] = MAX(w[9], w[17]); \
        w[21] = MAX(w[5], w[21]); \
        w[13] = MIN(w[13], w[21]); \
        w[13] = MIN(w[13], w[17]); \
        w[19] = MAX(w[3], w[19]); \
        w[11] = MIN(w[11], w[19]); \
        { auto t_ = MIN(w[7], w[23]); w[23] = MAX(w[7], w[23]); w[7] = t_; } \
        w[23] = MAX(w[15], w[23]); \
        w[11] = MAX(w[7], w[11]); \
        w[11] = MIN(w[11], w[13]); \
        w[12] = MAX(w[11], w[12]); \
        w[24] = MAX(w[23], w[24]); \
        lo = w[0]; med = w[12]; hi = w[24]; \
    } while (0)

// 327 comparators
#define VELMORA_MEDIAN_NETWORK_49(w, lo, med, hi) \
    do { \
        { auto t_ = MIN(w[0], w[1]); w[1] = MAX(w[0], w[1]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[3]); w[3] = MAX(w[2], w[3]); w[2] = t_; } \
        { auto t_ = MIN(w[0], w[2]); w[2] = MAX(w[0], w[2]); w[0] = t_; } \
        { auto t_ = MIN(w[1], w[3]); w[3] = MAX(w[1], w[3]); w[1] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[4], w[5]); w[5] = MAX(w[4], w[5]); w[4] = t_; } \
        { auto t_ = MIN(w[6], w[7]); w[7] = MAX(w[6], w[7]); w[6] = t_; } \
        { auto t_ = MIN(w[4], w[6]); w[6] = MAX(w[4], w[6]); w[4] = t_; } \
        { auto t_ = MIN(w[5], w[7]); w[7] = MAX(w[5], w[7]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[0], w[4]); w[4] = MAX(w[0], w[4]); w[0] = t_; } \
        { auto t_ = MIN(w[2], w[6]); w[6] = MAX(w[2], w[6]); w[2] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[1], w[5]); w[5] = MAX(w[1], w[5]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[7]); w[7] = MAX(w[3], w[7]); w[3] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[8], w[9]); w[9] = MAX(w[8], w[9]); w[8] = t_; } \
        { auto t_ = MIN(w[10], w[11]); w[11] = MAX(w[10], w[11]); w[10] = t_; } \
        { auto t_ = MIN(w[8], w[10]); w[10] = MAX(w[8], w[10]); w[8] = t_; } \
        { auto t_ = MIN(w[9], w[11]); w[11] = MAX(w[9], w[11]); w[9] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[12], w[13]); w[13] = MAX(w[12], w[13]); w[12] = t_; } \
        { auto t_ = MIN(w[14], w[15]); w[15] = MAX(w[14], w[15]); w[14] = t_; } \
        { auto t_ = MIN(w[12], w[14]); w[14] = MAX(w[12], w[14]); w[12] = t_; } \
        { auto t_ = MIN(w[13], w[15]); w[15] = MAX(w[13], w[15]); w[13] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[8], w[12]); w[12] = MAX(w[8], w[12]); w[8] = t_; } \
        { auto t_ = MIN(w[10], w[14]); w[14] = MAX(w[10], w[14]); w[10] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[9], w[13]); w[13] = MAX(w[9], w[13]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[15]); w[15] = MAX(w[11], w[15]); w[11] = t_; } \
        { auto t_ = MIN(w[11], w[13]); w[13] = MAX(w[11], w[13]); w[11] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[0], w[8]); w[8] = MAX(w[0], w[8]); w[0] = t_; } \
        { auto t_ = MIN(w[4], w[12]); w[12] = MAX(w[4], w[12]); w[4] = t_; } \
        { auto t_ = MIN(w[4], w[8]); w[8] = MAX(w[4], w[8]); w[4] = t_; } \
        { auto t_ = MIN(w[2], w[10]); w[10] = MAX(w[2], w[10]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[14]); w[14] = MAX(w[6], w[14]); w[6] = t_; } \
        { auto t_ = MIN(w[6], w[10]); w[10] = MAX(w[6], w[10]); w[6] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[8]); w[8] = MAX(w[6], w[8]); w[6] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[1], w[9]); w[9] = MAX(w[1], w[9]); w[1] = t_; } \
        { auto t_ = MIN(w[5], w[13]); w[13] = MAX(w[5], w[13]); w[5] = t_; } \
        { auto t_ = MIN(w[5], w[9]); w[9] = MAX(w[5], w[9]); w[5] = t_; } \
        { auto t_ = MIN(w[3], w[11]); w[11] = MAX(w[3], w[11]); w[3] = t_; } \
        { auto t_ = MIN(w[7], w[15]); w[15] = MAX(w[7], w[15]); w[7] = t_; } \
        { auto t_ = MIN(w[7], w[11]); w[11] = MAX(w[7], w[11]); w[7] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[7], w[9]); w[9] = MAX(w[7], w[9]); w[7] = t_; } \
        { auto t_ = MIN(w[11], w[13]); w[13] = MAX(w[11], w[13]); w[11] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[7], w[8]); w[8] = MAX(w[7], w[8]); w[7] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[16], w[17]); w[17] = MAX(w[16], w[17]); w[16] = t_; } \
        { auto t_ = MIN(w[18], w[19]); w[19] = MAX(w[18], w[19]); w[18] = t_; } \
        { auto t_ = MIN(w[16], w[18]); w[18] = MAX(w[16], w[18]); w[16] = t_; } \
        { auto t_ = MIN(w[17], w[19]); w[19] = MAX(w[17], w[19]); w[17] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[20], w[21]); w[21] = MAX(w[20], w[21]); w[20] = t_; } \
        { auto t_ = MIN(w[22], w[23]); w[23] = MAX(w[22], w[23]); w[22] = t_; } \
        { auto t_ = MIN(w[20], w[22]); w[22] = MAX(w[20], w[22]); w[20] = t_; } \
        { auto t_ = MIN(w[21], w[23]); w[23] = MAX(w[21], w[23]); w[21] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[16], w[20]); w[20] = MAX(w[16], w[20]); w[16] = t_; } \
        { auto t_ = MIN(w[18], w[22]); w[22] = MAX(w[18], w[22]); w[18] = t_; } \
        { auto t_ = MIN(w[18], w[20]); w[20] = MAX(w[18], w[20]); w[18] = t_; } \
        { auto t_ = MIN(w[17], w[21]); w[21] = MAX(w[17], w[21]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[23]); w[23] = MAX(w[19], w[23]); w[19] = t_; } \
        { auto t_ = MIN(w[19], w[21]); w[21] = MAX(w[19], w[21]); w[19] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[24], w[25]); w[25] = MAX(w[24], w[25]); w[24] = t_; } \
        { auto t_ = MIN(w[26], w[27]); w[27] = MAX(w[26], w[27]); w[26] = t_; } \
        { auto t_ = MIN(w[24], w[26]); w[26] = MAX(w[24], w[26]); w[24] = t_; } \
        { auto t_ = MIN(w[25], w[27]); w[27] = MAX(w[25], w[27]); w[25] = t_; } \
        { auto t_ = MIN(w[25], w[26]); w[26] = MAX(w[25], w[26]); w[25] = t_; } \
        { auto t_ = MIN(w[28], w[29]); w[29] = MAX(w[28], w[29]); w[28] = t_; } \
        { auto t_ = MIN(w[30], w[31]); w[31] = MAX(w[30], w[31]); w[30] = t_; } \
        { auto t_ = MIN(w[28], w[30]); w[30] = MAX(w[28], w[30]); w[28] = t_; } \
        { auto t_ = MIN(w[29], w[31]); w[31] = MAX(w[29], w[31]); w[29] = t_; } \
        { auto t_ = MIN(w[29], w[30]); w[30] = MAX(w[29], w[30]); w[29] = t_; } \
        { auto t_ = MIN(w[24], w[28]); w[28] = MAX(w[24], w[28]); w[24] = t_; } \
        { auto t_ = MIN(w[26], w[30]); w[30] = MAX(w[26], w[30]); w[26] = t_; } \
        { auto t_ = MIN(w[26], w[28]); w[28] = MAX(w[26], w[28]); w[26] = t_; } \
        { auto t_ = MIN(w[25], w[29]); w[29] = MAX(w[25], w[29]); w[25] = t_; } \
        { auto t_ = MIN(w[27], w[31]); w[31] = MAX(w[27], w[31]); w[27] = t_; } \
        { auto t_ = MIN(w[27], w[29]); w[29] = MAX(w[27], w[29]); w[27] = t_; } \
        { auto t_ = MIN(w[25], w[26]); w[26] = MAX(w[25], w[26]); w[25] = t_; } \
        { auto t_ = MIN(w[27], w[28]); w[28] = MAX(w[27], w[28]); w[27] = t_; } \
        { auto t_ = MIN(w[29], w[30]); w[30] = MAX(w[29], w[30]); w[29] = t_; } \
        { auto t_ = MIN(w[16], w[24]); w[24] = MAX(w[16], w[24]); w[16] = t_; } \
        { auto t_ = MIN(w[20], w[28]); w[28] = MAX(w[20], w[28]); w[20] = t_; } \
        { auto t_ = MIN(w[20], w[24]); w[24] = MAX(w[20], w[24]); w[20] = t_; } \
        { auto t_ = MIN(w[18], w[26]); w[26] = MAX(w[18], w[26]); w[18] = t_; } \
        { auto t_ = MIN(w[22], w[30]); w[30] = MAX(w[22], w[30]); w[22] = t_; } \
        { auto t_ = MIN(w[22], w[26]); w[26] = MAX(w[22], w[26]); w[22] = t_; } \
        { auto t_ = MIN(w[18], w[20]); w[20] = MAX(w[18], w[20]); w[18] = t_; } \
        { auto t_ = MIN(w[22], w[24]); w[24] = MAX(w[22], w[24]); w[22] = t_; } \
        { auto t_ = MIN(w[26], w[28]); w[28] = MAX(w[26], w[28]); w[26] = t_; } \
        { auto t_ = MIN(w[17], w[25]); w[25] = MAX(w[17], w[25]); w[17] = t_; } \
        { auto t_ = MIN(w[21], w[29]); w[29] = MAX(w[21], w[29]); w[21] = t_; } \
        { auto t_ = MIN(w[21], w[25]); w[25] = MAX(w[21], w[25]); w[21] = t_; } \
        { auto t_ = MIN(w[19], w[27]); w[27] = MAX(w[19], w[27]); w[19] = t_; } \
        { auto t_ = MIN(w[23], w[31]); w[31] = MAX(w[23], w[31]); w[23] = t_; } \
        { auto t_ = MIN(w[23], w[27]); w[27] = MAX(w[23], w[27]); w[23] = t_; } \
        { auto t_ = MIN(w[19], w[21]); w[21] = MAX(w[19], w[21]); w[19] = t_; } \
        { auto t_ = MIN(w[23], w[25]); w[25] = MAX(w[23], w[25]); w[23] = t_; } \
        { auto t_ = MIN(w[27], w[29]); w[29] = MAX(w[27], w[29]); w[27] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[23], w[24]); w[24] = MAX(w[23], w[24]); w[23] = t_; } \
        { auto t_ = MIN(w[25], w[26]); w[26] = MAX(w[25], w[26]); w[25] = t_; } \
        { auto t_ = MIN(w[27], w[28]); w[28] = MAX(w[27], w[28]); w[27] = t_; } \
        { auto t_ = MIN(w[29], w[30]); w[30] = MAX(w[29], w[30]); w[29] = t_; } \
        { auto t_ = MIN(w[0], w[16]); w[16] = MAX(w[0], w[16]); w[0] = t_; } \
        { auto t_ = MIN(w[8], w[24]); w[24] = MAX(w[8], w[24]); w[8] = t_; } \
        { auto t_ = MIN(w[8], w[16]); w[16] = MAX(w[8], w[16]); w[8] = t_; } \
        { auto t_ = MIN(w[4], w[20]); w[20] = MAX(w[4], w[20]); w[4] = t_; } \
        { auto t_ = MIN(w[12], w[28]); w[28] = MAX(w[12], w[28]); w[12] = t_; } \
        { auto t_ = MIN(w[12], w[20]); w[20] = MAX(w[12], w[20]); w[12] = t_; } \
        { auto t_ = MIN(w[4], w[8]); w[8] = MAX(w[4], w[8]); w[4] = t_; } \
        { auto t_ = MIN(w[12], w[16]); w[16] = MAX(w[12], w[16]); w[12] = t_; } \
        { auto t_ = MIN(w[20], w[24]); w[24] = MAX(w[20], w[24]); w[20] = t_; } \
        { auto t_ = MIN(w[2], w[18]); w[18] = MAX(w[2], w[18]); w[2] = t_; } \
        { auto t_ = MIN(w[10], w[26]); w[26] = MAX(w[10], w[26]); w[10] = t_; } \
        { auto t_ = MIN(w[10], w[18]); w[18] = MAX(w[10], w[18]); w[10] = t_; } \
        { auto t_ = MIN(w[6], w[22]); w[22] = MAX(w[6], w[22]); w[6] = t_; } \
        { auto t_ = MIN(w[14], w[30]); w[30] = MAX(w[14], w[30]); w[14] = t_; } \
        { auto t_ = MIN(w[14], w[22]); w[22] = MAX(w[14], w[22]); w[14] = t_; } \
        { auto t_ = MIN(w[6], w[10]); w[10] = MAX(w[6], w[10]); w[6] = t_; } \
        { auto t_ = MIN(w[14], w[18]); w[18] = MAX(w[14], w[18]); w[14] = t_; } \
        { auto t_ = MIN(w[22], w[26]); w[26] = MAX(w[22], w[26]); w[22] = t_; } \
        { auto t_ = MIN(w[2], w[4]); w[4] = MAX(w[2], w[4]); w[2] = t_; } \
        { auto t_ = MIN(w[6], w[8]); w[8] = MAX(w[6], w[8]); w[6] = t_; } \
        { auto t_ = MIN(w[10], w[12]); w[12] = MAX(w[10], w[12]); w[10] = t_; } \
        { auto t_ = MIN(w[14], w[16]); w[16] = MAX(w[14], w[16]); w[14] = t_; } \
        { auto t_ = MIN(w[18], w[20]); w[20] = MAX(w[18], w[20]); w[18] = t_; } \
        { auto t_ = MIN(w[22], w[24]); w[24] = MAX(w[22], w[24]); w[22] = t_; } \
        { auto t_ = MIN(w[26], w[28]); w[28] = MAX(w[26], w[28]); w[26] = t_; } \
        { auto t_ = MIN(w[1], w[17]); w[17] = MAX(w[1], w[17]); w[1] = t_; } \
        { auto t_ = MIN(w[9], w[25]); w[25] = MAX(w[9], w[25]); w[9] = t_; } \
        { auto t_ = MIN(w[9], w[17]); w[17] = MAX(w[9], w[17]); w[9] = t_; } \
        { auto t_ = MIN(w[5], w[21]); w[21] = MAX(w[5], w[21]); w[5] = t_; } \
        { auto t_ = MIN(w[13], w[29]); w[29] = MAX(w[13], w[29]); w[13] = t_; } \
        { auto t_ = MIN(w[13], w[21]); w[21] = MAX(w[13], w[21]); w[13] = t_; } \
        { auto t_ = MIN(w[5], w[9]); w[9] = MAX(w[5], w[9]); w[5] = t_; } \
        { auto t_ = MIN(w[13], w[17]); w[17] = MAX(w[13], w[17]); w[13] = t_; } \
        { auto t_ = MIN(w[21], w[25]); w[25] = MAX(w[21], w[25]); w[21] = t_; } \
        { auto t_ = MIN(w[3], w[19]); w[19] = MAX(w[3], w[19]); w[3] = t_; } \
        { auto t_ = MIN(w[11], w[27]); w[27] = MAX(w[11], w[27]); w[11] = t_; } \
        { auto t_ = MIN(w[11], w[19]); w[19] = MAX(w[11], w[19]); w[11] = t_; } \
        { auto t_ = MIN(w[7], w[23]); w[23] = MAX(w[7], w[23]); w[7] = t_; } \
        { auto t_ = MIN(w[15], w[31]); w[31] = MAX(w[15], w[31]); w[15] = t_; } \
        { auto t_ = MIN(w[15], w[23]); w[23] = MAX(w[15], w[23]); w[15] = t_; } \
        { auto t_ = MIN(w[7], w[11]); w[11] = MAX(w[7], w[11]); w[7] = t_; } \
        { auto t_ = MIN(w[15], w[19]); w[19] = MAX(w[15], w[19]); w[15] = t_; } \
        { auto t_ = MIN(w[23], w[27]); w[27] = MAX(w[23], w[27]); w[23] = t_; } \
        { auto t_ = MIN(w[3], w[5]); w[5] = MAX(w[3], w[5]); w[3] = t_; } \
        { auto t_ = MIN(w[7], w[9]); w[9] = MAX(w[7], w[9]); w[7] = t_; } \
        { auto t_ = MIN(w[11], w[13]); w[13] = MAX(w[11], w[13]); w[11] = t_; } \
        { auto t_ = MIN(w[15], w[17]); w[17] = MAX(w[15], w[17]); w[15] = t_; } \
        { auto t_ = MIN(w[19], w[21]); w[21] = MAX(w[19], w[21]); w[19] = t_; } \
        { auto t_ = MIN(w[23], w[25]); w[25] = MAX(w[23], w[25]); w[23] = t_; } \
        { auto t_ = MIN(w[27], w[29]); w[29] = MAX(w[27], w[29]); w[27] = t_; } \
        { auto t_ = MIN(w[1], w[2]); w[2] = MAX(w[1], w[2]); w[1] = t_; } \
        { auto t_ = MIN(w[3], w[4]); w[4] = MAX(w[3], w[4]); w[3] = t_; } \
        { auto t_ = MIN(w[5], w[6]); w[6] = MAX(w[5], w[6]); w[5] = t_; } \
        { auto t_ = MIN(w[7], w[8]); w[8] = MAX(w[7], w[8]); w[7] = t_; } \
        { auto t_ = MIN(w[9], w[10]); w[10] = MAX(w[9], w[10]); w[9] = t_; } \
        { auto t_ = MIN(w[11], w[12]); w[12] = MAX(w[11], w[12]); w[11] = t_; } \
        { auto t_ = MIN(w[13], w[14]); w[14] = MAX(w[13], w[14]); w[13] = t_; } \
        { auto t_ = MIN(w[15], w[16]); w[16] = MAX(w[15], w[16]); w[15] = t_; } \
        { auto t_ = MIN(w[17], w[18]); w[18] = MAX(w[17], w[18]); w[17] = t_; } \
        { auto t_ = MIN(w[19], w[20]); w[20] = MAX(w[19], w[20]); w[19] = t_; } \
        { auto t_ = MIN(w[21], w[22]); w[22] = MAX(w[21], w[22]); w[21] = t_; } \
        { auto t_ = MIN(w[23], w[24]); w[24] = MAX(w[23], w[24]); w[23] = t_; } \
        { auto t_ = MIN(w[25], w[26]); w[26] = MAX(w[25], w[26]); w[25] = t_; } \
        { auto t_ = MIN(w[27], w[28]); w[28] = MAX(w[27], w[28]); w[27] = t_; } \
        w[30] = MAX(w[29], w[30]); \
        { auto t_ = MIN(w[32], w[33]); w[33] = MAX(w[32], w[33]); w[32] = t_; } \
        { auto t_ = MIN(w[34], w[35]); w[35] = MAX(w[34], w[35]); w[34] = t_; } \
        { auto t_ = MIN(w[32], w[34]); w[34] = MAX(w[32], w[34]); w[32] = t_; } \
        { auto t_ = MIN(w[33], w[35]); w[35] = MAX(w[33], w[35]); w[33] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[36], w[37]); w[37] = MAX(w[36], w[37]); w[36] = t_; } \
        { auto t_ = MIN(w[38], w[39]); w[39] = MAX(w[38], w[39]); w[38] = t_; } \
        { auto t_ = MIN(w[36], w[38]); w[38] = MAX(w[36], w[38]); w[36] = t_; } \
        { auto t_ = MIN(w[37], w[39]); w[39] = MAX(w[37], w[39]); w[37] = t_; } \
        { auto t_ = MIN(w[37], w[38]); w[38] = MAX(w[37], w[38]); w[37] = t_; } \
        { auto t_ = MIN(w[32], w[36]); w[36] = MAX(w[32], w[36]); w[32] = t_; } \
        { auto t_ = MIN(w[34], w[38]); w[38] = MAX(w[34], w[38]); w[34] = t_; } \
        { auto t_ = MIN(w[34], w[36]); w[36] = MAX(w[34], w[36]); w[34] = t_; } \
        { auto t_ = MIN(w[33], w[37]); w[37] = MAX(w[33], w[37]); w[33] = t_; } \
        { auto t_ = MIN(w[35], w[39]); w[39] = MAX(w[35], w[39]); w[35] = t_; } \
        { auto t_ = MIN(w[35], w[37]); w[37] = MAX(w[35], w[37]); w[35] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[35], w[36]); w[36] = MAX(w[35], w[36]); w[35] = t_; } \
        { auto t_ = MIN(w[37], w[38]); w[38] = MAX(w[37], w[38]); w[37] = t_; } \
        { auto t_ = MIN(w[40], w[41]); w[41] = MAX(w[40], w[41]); w[40] = t_; } \
        { auto t_ = MIN(w[42], w[43]); w[43] = MAX(w[42], w[43]); w[42] = t_; } \
        { auto t_ = MIN(w[40], w[42]); w[42] = MAX(w[40], w[42]); w[40] = t_; } \
        { auto t_ = MIN(w[41], w[43]); w[43] = MAX(w[41], w[43]); w[41] = t_; } \
        { auto t_ = MIN(w[41], w[42]); w[42] = MAX(w[41], w[42]); w[41] = t_; } \
        { auto t_ = MIN(w[44], w[45]); w[45] = MAX(w[44], w[45]); w[44] = t_; } \
        { auto t_ = MIN(w[46], w[47]); w[47] = MAX(w[46], w[47]); w[46] = t_; } \
        { auto t_ = MIN(w[44], w[46]); w[46] = MAX(w[44], w[46]); w[44] = t_; } \
        { auto t_ = MIN(w[45], w[47]); w[47] = MAX(w[45], w[47]); w[45] = t_; } \
        { auto t_ = MIN(w[45], w[46]); w[46] = MAX(w[45], w[46]); w[45] = t_; } \
        { auto t_ = MIN(w[40], w[44]); w[44] = MAX(w[40], w[44]); w[40] = t_; } \
        { auto t_ = MIN(w[42], w[46]); w[46] = MAX(w[42], w[46]); w[42] = t_; } \
        { auto t_ = MIN(w[42], w[44]); w[44] = MAX(w[42], w[44]); w[42] = t_; } \
        { auto t_ = MIN(w[41], w[45]); w[45] = MAX(w[41], w[45]); w[41] = t_; } \
        { auto t_ = MIN(w[43], w[47]); w[47] = MAX(w[43], w[47]); w[43] = t_; } \
        { auto t_ = MIN(w[43], w[45]); w[45] = MAX(w[43], w[45]); w[43] = t_; } \
        { auto t_ = MIN(w[41], w[42]); w[42] = MAX(w[41], w[42]); w[41] = t_; } \
        { auto t_ = MIN(w[43], w[44]); w[44] = MAX(w[43], w[44]); w[43] = t_; } \
        { auto t_ = MIN(w[45], w[46]); w[46] = MAX(w[45], w[46]); w[45] = t_; } \
        { auto t_ = MIN(w[32], w[40]); w[40] = MAX(w[32], w[40]); w[32] = t_; } \
        { auto t_ = MIN(w[36], w[44]); w[44] = MAX(w[36], w[44]); w[36] = t_; } \
        { auto t_ = MIN(w[36], w[40]); w[40] = MAX(w[36], w[40]); w[36] = t_; } \
        { auto t_ = MIN(w[34], w[42]); w[42] = MAX(w[34], w[42]); w[34] = t_; } \
        { auto t_ = MIN(w[38], w[46]); w[46] = MAX(w[38], w[46]); w[38] = t_; } \
        { auto t_ = MIN(w[38], w[42]); w[42] = MAX(w[38], w[42]); w[38] = t_; } \
        { auto t_ = MIN(w[34], w[36]); w[36] = MAX(w[34], w[36]); w[34] = t_; } \
        { auto t_ = MIN(w[38], w[40]); w[40] = MAX(w[38], w[40]); w[38] = t_; } \
        { auto t_ = MIN(w[42], w[44]); w[44] = MAX(w[42], w[44]); w[42] = t_; } \
        { auto t_ = MIN(w[33], w[41]); w[41] = MAX(w[33], w[41]); w[33] = t_; } \
        { auto t_ = MIN(w[37], w[45]); w[45] = MAX(w[37], w[45]); w[37] = t_; } \
        { auto t_ = MIN(w[37], w[41]); w[41] = MAX(w[37], w[41]); w[37] = t_; } \
        { auto t_ = MIN(w[35], w[43]); w[43] = MAX(w[35], w[43]); w[35] = t_; } \
        { auto t_ = MIN(w[39], w[47]); w[47] = MAX(w[39], w[47]); w[39] = t_; } \
        { auto t_ = MIN(w[39], w[43]); w[43] = MAX(w[39], w[43]); w[39] = t_; } \
        { auto t_ = MIN(w[35], w[37]); w[37] = MAX(w[35], w[37]); w[35] = t_; } \
        { auto t_ = MIN(w[39], w[41]); w[41] = MAX(w[39], w[41]); w[39] = t_; } \
        { auto t_ = MIN(w[43], w[45]); w[45] = MAX(w[43], w[45]); w[43] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[35], w[36]); w[36] = MAX(w[35], w[36]); w[35] = t_; } \
        { auto t_ = MIN(w[37], w[38]); w[38] = MAX(w[37], w[38]); w[37] = t_; } \
        { auto t_ = MIN(w[39], w[40]); w[40] = MAX(w[39], w[40]); w[39] = t_; } \
        { auto t_ = MIN(w[41], w[42]); w[42] = MAX(w[41], w[42]); w[41] = t_; } \
        { auto t_ = MIN(w[43], w[44]); w[44] = MAX(w[43], w[44]); w[43] = t_; } \
        { auto t_ = MIN(w[45], w[46]); w[46] = MAX(w[45], w[46]); w[45] = t_; } \
        { auto t_ = MIN(w[32], w[48]); w[48] = MAX(w[32], w[48]); w[32] = t_; } \
        { auto t_ = MIN(w[40], w[48]); w[48] = MAX(w[40], w[48]); w[40] = t_; } \
        { auto t_ = MIN(w[36], w[40]); w[40] = MAX(w[36], w[40]); w[36] = t_; } \
        { auto t_ = MIN(w[44], w[48]); w[48] = MAX(w[44], w[48]); w[44] = t_; } \
        { auto t_ = MIN(w[38], w[42]); w[42] = MAX(w[38], w[42]); w[38] = t_; } \
        { auto t_ = MIN(w[34], w[36]); w[36] = MAX(w[34], w[36]); w[34] = t_; } \
        { auto t_ = MIN(w[38], w[40]); w[40] = MAX(w[38], w[40]); w[38] = t_; } \
        { auto t_ = MIN(w[42], w[44]); w[44] = MAX(w[42], w[44]); w[42] = t_; } \
        { auto t_ = MIN(w[46], w[48]); w[48] = MAX(w[46], w[48]); w[46] = t_; } \
        { auto t_ = MIN(w[37], w[41]); w[41] = MAX(w[37], w[41]); w[37] = t_; } \
        { auto t_ = MIN(w[39], w[43]); w[43] = MAX(w[39], w[43]); w[39] = t_; } \
        { auto t_ = MIN(w[35], w[37]); w[37] = MAX(w[35], w[37]); w[35] = t_; } \
        { auto t_ = MIN(w[39], w[41]); w[41] = MAX(w[39], w[41]); w[39] = t_; } \
        { auto t_ = MIN(w[43], w[45]); w[45] = MAX(w[43], w[45]); w[43] = t_; } \
        { auto t_ = MIN(w[33], w[34]); w[34] = MAX(w[33], w[34]); w[33] = t_; } \
        { auto t_ = MIN(w[35], w[36]); w[36] = MAX(w[35], w[36]); w[35] = t_; } \
        { auto t_ = MIN(w[37], w[38]); w[38] = MAX(w[37], w[38]); w[37] = t_; } \
        { auto t_ = MIN(w[39], w[40]); w[40] = MAX(w[39], w[40]); w[39] = t_; } \
        { auto t_ = MIN(w[41], w[42]); w[42] = MAX(w[41], w[42]); w[41] = t_; } \
        { auto t_ = MIN(w[43], w[44]); w[44] = MAX(w[43], w[44]); w[43] = t_; } \
        { auto t_ = MIN(w[45], w[46]); w[46] = MAX(w[45], w[46]); w[45] = t_; } \
        { auto t_ = MIN(w[47], w[48]); w[48] = MAX(w[47], w[48]); w[47] = t_; } \
        { auto t_ = MIN(w[0], w[32]); w[32] = MAX(w[0], w[32]); w[0] = t_; } \
        { auto t_ = MIN(w[16], w[48]); w[48] = MAX(w[16], w[48]); w[16] = t_; } \
        w[32] = MAX(w[16], w[32]); \
        w[40] = MAX(w[8], w[40]); \
        { auto t_ = MIN(w[24], w[40]); w[40] = MAX(w[24], w[40]); w[24] = t_; } \
        w[24] = MIN(w[24], w[32]); \
        w[48] = MAX(w[40], w[48]); \
        w[36] = MAX(w[4], w[36]); \
        w[20] = MIN(w[20], w[36]); \
        { auto t_ = MIN(w[12], w[44]); w[44] = MAX(w[12], w[44]); w[12] = t_; } \
        w[44] = MAX(w[28], w[44]); \
        w[20] = MAX(w[12], w[20]); \
        w[24] = MAX(w[20], w[24]); \
        w[48] = MAX(w[44], w[48]); \
        w[34] = MAX(w[2], w[34]); \
        w[34] = MAX(w[18], w[34]); \
        w[42] = MAX(w[10], w[42]); \
        w[26] = MIN(w[26], w[42]); \
        w[26] = MIN(w[26], w[34]); \
        w[38] = MAX(w[6], w[38]); \
        w[22] = MIN(w[22], w[38]); \
        { auto t_ = MIN(w[14], w[46]); w[46] = MAX(w[14], w[46]); w[14] = t_; } \
        w[46] = MAX(w[30], w[46]); \
        w[22] = MAX(w[14], w[22]); \
        w[22] = MIN(w[22], w[26]); \
        w[24] = MAX(w[22], w[24]); \
        w[48] = MAX(w[46], w[48]); \
        w[33] = MAX(w[1], w[33]); \
        w[33] = MAX(w[17], w[33]); \
        w[41] = MAX(w[9], w[41]); \
        w[25] = MIN(w[25], w[41]); \
        w[25] = MIN(w[25], w[33]); \
        w[37] = MAX(w[5], w[37]); \
        w[21] = MIN(w[21], w[37]); \
        w[13] = MIN(w[13], w[45]); \
        w[21] = MAX(w[13], w[21]); \
        w[25] = MAX(w[21], w[25]); \
        w[35] = MAX(w[3], w[35]); \
        w[35] = MAX(w[19], w[35]); \
        w[43] = MAX(w[11], w[43]); \
        w[27] = MIN(w[27], w[43]); \
        w[27] = MIN(w[27], w[35]); \
        w[39] = MAX(w[7], w[39]); \
        w[23] = MIN(w[23], w[39]); \
        { auto t_ = MIN(w[15], w[47]); w[47] = MAX(w[15], w[47]); w[15] = t_; } \
        w[47] = MAX(w[31], w[47]); \
        w[23] = MAX(w[15], w[23]); \
        w[23] = MIN(w[23], w[27]); \
        w[23] = MIN(w[23], w[25]); \
        w[24] = MAX(w[23], w[24]); \
        w[48] = MAX(w[47], w[48]); \
        lo = w[0]; med = w[24]; hi = w[48]; \
    } while (0)
