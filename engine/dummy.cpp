namespace dw {} // namespace dw
