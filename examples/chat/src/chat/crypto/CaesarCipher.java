package chat.crypto;

/**
 * Shifts every letter by a fixed distance in the alphabet.
 */
public class CaesarCipher implements Encryption {
    private final int shift;

    public CaesarCipher(int shift) {
        this.shift = Math.floorMod(shift, 26);
    }

    public String encrypt(String plain) {
        return rotate(plain, shift);
    }

    public String decrypt(String secret) {
        return rotate(secret, 26 - shift);
    }

    private static String rotate(String text, int distance) {
        StringBuilder result = new StringBuilder(text.length());
        for (char c : text.toCharArray()) {
            if (c >= 'a' && c <= 'z') {
                result.append((char) ('a' + (c - 'a' + distance) % 26));
            } else if (c >= 'A' && c <= 'Z') {
                result.append((char) ('A' + (c - 'A' + distance) % 26));
            } else {
                result.append(c);
            }
        }
        return result.toString();
    }
}
