# The headers' plain // comments, read by Doxygen as its own: a comment line documents what
# follows it, a comment after a declaration on the same line documents that declaration.
s|^\( *\)// |\1/// |
s|\([;,]\) *// |\1 ///< |
