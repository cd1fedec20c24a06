// A published signature to check the signature checks against: RFC 6979,
// appendix A.2.5, the curve P-256 with SHA-256 and the message "sample".
// OpenSSL and Windows' CNG must both accept it, so that what the one signs
// the other checks.
#pragma once

namespace test_vector {

inline constexpr char kMessage[] = "sample";
inline constexpr char kPublicKey[] =  // X‖Y
    "60FED4BA255A9D31C961EB74C6356D68C049B8923B61FA6CE669622E60F29FB6"
    "7903FE1008B8BC99A41AE9E95628BC64F2F1B20C2D7E9F5177A3C294D4462299";
inline constexpr char kSignature[] =  // r‖s
    "EFD48B2AACB6A8FD1140DD9CD45E81D69D2C877B56AAF991C34D0EA84EAF3716"
    "F7CB1C942D657C41D436C7A1B6E29F65F3E900DBB9AFF4064DC4AB2F843ACDA8";

}  // namespace test_vector
