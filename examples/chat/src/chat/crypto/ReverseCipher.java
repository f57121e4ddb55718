package chat.crypto;

/**
 * Writes every message backwards.
 */
public class ReverseCipher implements Encryption {
    public String encrypt(String plain) {
        return new StringBuilder(plain).reverse().toString();
    }

    public String decrypt(String secret) {
        return new StringBuilder(secret).reverse().toString();
    }
}
