package chat.crypto;

/**
 * Chooses the encryption of the configured product.
 */
public final class Ciphers {
    public static Encryption create(int shift) {
        Encryption cipher = Encryption.NONE;
        cipher = new CaesarCipher(shift);
        cipher = new ReverseCipher();
        cipher = chain(new CaesarCipher(shift), new ReverseCipher());
        return cipher;
    }

    /** Applies first, then second; decrypts in the opposite order. */
    static Encryption chain(final Encryption first, final Encryption second) {
        return new Encryption() {
            public String encrypt(String plain) {
                return second.encrypt(first.encrypt(plain));
            }

            public String decrypt(String secret) {
                return first.decrypt(second.decrypt(secret));
            }
        };
    }
}
